#!/usr/bin/python3
"""Drives krvctl serve with PyVISA (pyvisa-py), as a test engineer's script would.

Usage: pyvisa_client.py KRVCTL

Starts `KRVCTL --simulate=2 serve --listen :0`, opens the socket resource PyVISA users open,
and checks identification, a setting and its query, a list, the error queue and an error.
"""
import subprocess
import sys

import pyvisa


def main():
    krvctl = sys.argv[1]
    server = subprocess.Popen([krvctl, "--simulate=2", "serve", "--listen", ":0"],
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        # "listening on port N" once the socket is there.
        words = server.stdout.readline().split()
        assert words[:3] == ["listening", "on", "port"], words
        port = words[3]
        manager = pyvisa.ResourceManager("@py")
        unit = manager.open_resource(f"TCPIP::127.0.0.1::{port}::SOCKET", read_termination="\n",
                                     write_termination="\n", timeout=5000)
        assert unit.query("*IDN?") == "Holvik,KRV-2CH,KR2A0001,020000"
        unit.write("SOUR1:RANG E4_20mA")
        unit.write("SOUR1:VAL 12.5")
        unit.write("OUTP1 ON")
        assert unit.query("SOUR1:VAL?") == "12.500"
        assert unit.query_ascii_values("SOUR2:LIST:VAL 1,2.5,3;VAL?") == [1.0, 2.5, 3.0]
        assert unit.query("SYST:ERR?") == '0,"No error"'
        unit.write("SOUR1:VAL 21")
        assert unit.query("SYST:ERR?") == '-222,"Data out of range;4.000 to 20.000"'
        fields = unit.query("STAT1?").split(",")
        assert fields[:3] == ["1", "12.500", "E4_20mA"], fields
        unit.close()
        manager.close()
    finally:
        server.terminate()
        _, errors = server.communicate(timeout=10)
    assert server.returncode == 0, server.returncode
    assert "outputs switched off" in errors, errors
    print("PyVISA drove krvctl serve")


if __name__ == "__main__":
    main()
