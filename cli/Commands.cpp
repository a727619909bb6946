#include "cli/Commands.h"

namespace krv::cli {

const std::vector<Command>& AllCommands()
{
    static const std::vector<Command> commands = {
        {"ports",
         "list the serial ports as the panel shows them",
         "Usage: krvctl ports [--json] [--watch] [--port PATH]...\n"
         "\n"
         "Lists the serial ports in the order of the panel's port list, one entry text per line:\n"
         "\"(\" name \")  \" description. Ports named with --port are added to the list.\n"
         "  --json   one JSON array of {name, description, number, text}\n"
         "  --watch  after the list, follow plugging and unplugging as udev announces it: one\n"
         "           line \"- \" entry for every port gone and \"+ \" entry for every port new\n"
         "           (with --json, the whole array again), until Ctrl-C or SIGTERM (exit 0).\n"
         "           When udev's events cannot be received, says why and exits 1.\n",
         {{"--json", false}, {"--watch", false}},
         RunPorts},
        {"info",
         "ask the unit for its firmware version and circuit count",
         "Usage: krvctl [--port NAME] info [--json]\n"
         "\n"
         "Asks the unit for its firmware version (VER) and its number of circuits (CH) and prints\n"
         "  firmware 020000\n"
         "  circuits 2\n"
         "  --json   {\"firmware\":\"020000\",\"circuits\":2}\n"
         "When the unit does not answer, prints 接続できません。 to standard error and exits 1.\n",
         {{"--json", false}},
         RunInfo},
        {"status",
         "connect as the panel does and show every channel's status",
         "Usage: krvctl [--port NAME] status [--json | --watch] [--csv FILE]\n"
         "\n"
         "Connects as the panel does (firmware version at least 020000, circuit count, standalone\n"
         "modes, status of every channel) without changing any output, then prints one line per\n"
         "channel: range key, output code, value in range units, on/off, alarm text (- for none),\n"
         "calibration mode (0 none, 1 maker, 2 user), standalone mode and run state.\n"
         "  --json    one JSON object {firmware, circuits, channels: [...]}\n"
         "  --watch   keep polling every 50 ms, channel after channel, and print a channel "
         "whenever\n"
         "            it changes, until interrupted; a unit silent for 5 s ends it with exit 1\n"
         "  --csv FILE also write the channels to FILE as the panel's output log does (UTF-8\n"
         "            CSV: time,channel,range,value,...,event; one row per change). An existing\n"
         "            output log is continued, never overwritten; a file that is not one is\n"
         "            refused (exit 1). If writing fails, the log stops, watching goes on and\n"
         "            the exit status is 1\n"
         "A failed step prints the panel's message (接続できません。, 状態確認に失敗しました。 "
         "...)\n"
         "to standard error and exits 1.\n",
         {{"--json", false}, {"--watch", false}, {"--csv", true}},
         RunStatus},
        {"set",
         "change one channel's range, value or on/off state",
         "Usage: krvctl [--port NAME] set CH [--range KEY] [--value V] [--on | --off]\n"
         "\n"
         "Connects as the panel does, takes channel CH's (1 to 4) range, output code and on/off\n"
         "state from the unit, applies the options and sends that channel's output frame only;\n"
         "then prints the channel as the unit reports it.\n"
         "  --range KEY  0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA;\n"
         "               the value goes to the range's resting value; refused while the output\n"
         "               is on (ＯＮ状態では切替できません。)\n"
         "  --value V    in range units; clamped into the range and cut to its decimals, as the\n"
         "               panel does (a value outside the range is reported on standard error)\n"
         "  --on, --off  switch the output\n",
         {{"--range", true}, {"--value", true}, {"--on", false}, {"--off", false}},
         RunSet},
        {"calibration",
         "show the unit's calibration, change a user entry, reset the user entries",
         "Usage: krvctl [--port NAME] calibration show [--json]\n"
         "       krvctl [--port NAME] calibration set CH --range KEY --mode off|maker|user\n"
         "                                           [--zero N] [--gain N] [--save]\n"
         "       krvctl [--port NAME] calibration reset-user\n"
         "\n"
         "show reads the maker and user calibration of every range of every channel and prints\n"
         "the unit information (firmware, circuits, one line per range: maker zero and gain,\n"
         "user zero and gain, the calibration in use).\n"
         "  --json   {\"firmware\":\"020000\",\"circuits\":2,\"entries\":[{\"channel\":1,"
         "\"code\":0,\n"
         "           \"key\":\"0_5V\",\"makerZero\":0,\"makerGain\":0,\"userZero\":0,"
         "\"userGain\":-10,\n"
         "           \"mode\":1}, ...]}: signed corrections, gains without their 0x8000 offset,\n"
         "           mode 0 none, 1 maker, 2 user\n"
         "set reads channel CH's (1 to 4) user entry of the range KEY, changes the calibration in\n"
         "use (--mode) and the corrections given, and writes it to the unit; --save also stores\n"
         "the user table, so that it survives a restart.\n"
         "  --zero N   -200 to 200 for 4_20mA and 1_5V, 0 to 200 for the other ranges\n"
         "  --gain N   -200 to 200\n"
         "reset-user sets every user correction of the unit back to zero.\n"
         "A read or write the unit does not answer prints 通信エラーが発生しました to standard\n"
         "error and exits 1.\n",
         {{"--json", false},
          {"--range", true},
          {"--mode", true},
          {"--zero", true},
          {"--gain", true},
          {"--save", false}},
         RunCalibration},
        {"standalone",
         "build, write, verify or read the unit's standalone settings",
         "Usage: krvctl standalone image SETTINGS [IMAGE OPTIONS] -o IMAGE\n"
         "       krvctl [--port NAME] standalone write SETTINGS [IMAGE OPTIONS]\n"
         "       krvctl [--port NAME] standalone verify SETTINGS [IMAGE OPTIONS]\n"
         "       krvctl [--port NAME] standalone read -o IMAGE\n"
         "\n"
         "The standalone settings are the 2296-byte memory image by which the unit runs\n"
         "channels 1 and 2 without the PC, built from channels 1 and 2 of a settings file.\n"
         "image writes that image to a file (no unit needed). write erases the unit's memory,\n"
         "transfers and writes the image, reads it back, compares it and has the unit take it\n"
         "into use; then the unit must restart. verify reads the unit's memory back and compares\n"
         "it with the image. Both print every step with its progress, then their result\n"
         "(書込み正常終了、再起動します, 照合結果：一致); a failure prints its message to\n"
         "standard error and exits 1. A write whose unit could not be restarted through its USB\n"
         "bridge, or whose port did not come back within 5 s of the restart, has still written\n"
         "the unit: it prints why on standard error and exits 3. A refusal of the unit (NG) is\n"
         "always a failure; one without a readable code says NG（エラーコード読取不能）.\n"
         "read writes the unit's image to a file.\n"
         "Image options:\n"
         "  --ch1 off|fixed|auto, --ch2 ...   standalone mode (default: the file's)\n"
         "  --fixed1 V, --fixed2 V            fixed output value, in the channel's units\n"
         "                                    (converted units while its formula is on), within\n"
         "                                    its range; default: the range's resting value\n"
         "                                    (0, 4 for 4_20mA, 1 for 1_5V; the formula's start)\n"
         "Exit status: 0 success, 1 the unit failed, 2 usage error (also a fixed value outside\n"
         "the channel's range), 3 written but not restarted.\n",
         {{"--ch1", true},
          {"--ch2", true},
          {"--fixed1", true},
          {"--fixed2", true},
          {"--output", true}},
         RunStandalone},
        {"firmware",
         "pack, inspect or unpack a firmware image file; update the unit's firmware",
         "Usage: krvctl firmware pack SREC --version VERSION -o FILE.cya\n"
         "       krvctl firmware info FILE.cya [--json]\n"
         "       krvctl firmware unpack FILE.cya -o IMAGE\n"
         "       krvctl firmware update FILE.cya [--yes] [--backup-dir DIR] [--boot-tries N]\n"
         "\n"
         "pack makes a firmware image file (.cya) from a Motorola S-record file: data records of\n"
         "any length (S1, S2, S3) become data records of at most 16 bytes with 32-bit addresses,\n"
         "end records (S7, S8, S9) an S7; header and count records (S0, S5, S6) are left out.\n"
         "  --version VERSION   six hexadecimal digits, the three version bytes (020100)\n"
         "A source without data records, or one that would not make a whole image file, is\n"
         "refused.\n"
         "info prints the file's version, its records by type, the records refused for a bad\n"
         "checksum or a malformed line, the data bytes outside the program image, the span\n"
         "of addresses it fills, and whether update would take the file (usable yes, or no and\n"
         "the reason).\n"
         "  --json   {\"version\":\"020100\",\"records\":N,\"types\":{\"3\":N,\"7\":1},\n"
         "           \"badChecksum\":0,\"malformed\":0,\"truncated\":0,\"bytesOutside\":0,\n"
         "           \"span\":{\"first\":\"FFFE0000\",\"last\":\"FFFFFFFF\"},\n"
         "           \"usable\":true,\"reason\":\"\"} (span null when empty)\n"
         "unpack writes the program image the file gives: 133120 bytes, the flash window\n"
         "0xFFFE0000 to 0xFFFFFFFF and then 0x00000000 to 0x000007FF, 0xFF where the file has\n"
         "no data.\n"
         "update updates the firmware of the one unit on the USB bridges (with --simulate the\n"
         "virtual unit's): it reads the unit's calibration and saves it to the backup file\n"
         "SERIAL_R.txt (or takes it from that file when the unit cannot deliver it), programs\n"
         "and verifies the unit, writes the calibration back and has the unit store it. Every\n"
         "step is printed with its progress; the messages follow at the end (to standard error\n"
         "after a failure, which exits 1). The file is checked whole before the unit is\n"
         "touched: one cut off, with a record that is damaged (wrong checksum, not an S-record),\n"
         "data outside the program image, no data records or no end record as its last record\n"
         "is refused with 転送ファイルに誤りがあります and the reason on the next line. Ctrl-C\n"
         "cancels at the next step (or block) of the programming; a second Ctrl-C ends krvctl\n"
         "at once. A failure once the unit has been erased names the backup file: run the\n"
         "update again.\n"
         "  --yes             answer the questions with OK (without it they are asked on the\n"
         "                    terminal, or answered with Cancel when there is none)\n"
         "  --backup-dir DIR  the folder of the backup file (default: the documents folder's\n"
         "                    Holvik/Bremix2)\n"
         "  --boot-tries N    restarts into boot mode whose bit-rate adjustment the unit does\n"
         "                    not answer before update gives up (1 to 1000, default 10)\n"
         "A backup is used only when it holds every backed-up range of every channel of the\n"
         "unit, once each, with plain decimal numbers; any other is refused (パソコン内補正\n"
         "ファイル内容が異常です). A backup whose contents differ from the new one is kept beside\n"
         "it as SERIAL_R-YYYYMMDDTHHMMSS.txt (printed). Start values read from a unit wiped by an\n"
         "update cut short never replace a backup with real values: 本体補正データが初期値です\n"
         "asks to use the backup instead. Running the update again repairs one cut short.\n"
         "A file that cannot be read prints ファイルが開けません, an empty one "
         "転送ファイルに誤りが\n"
         "あります, to standard error and exits 1.\n",
         {{"--version", true},
          {"--json", false},
          {"--yes", false},
          {"--backup-dir", true},
          {"--boot-tries", true},
          {"--output", true}},
         RunFirmware},
        {"settings",
         "show a settings file, or write a new one",
         "Usage: krvctl settings show FILE [--json]\n"
         "       krvctl settings new --circuits 1|2|4 FILE\n"
         "\n"
         "show decodes a settings file (versions 100, 110 and 120); --json prints every field "
         "with\n"
         "the document's names (intervals in hundredths of a second). A file that is refused or\n"
         "ends early prints the panel's message to standard error and exits 1.\n"
         "new writes the settings of a new document for that many circuits, with no port name.\n",
         {{"--json", false}, {"--circuits", true}},
         RunSettings},
        {"sim",
         "serve a virtual unit on a new pseudo-terminal",
         "Usage: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]\n"
         "                  [--standalone MODES] [--alarm CH:WORD:BIT]... [--calibration-mode N]\n"
         "                  [--fault SPEC]... [--unit-fault SPEC]... [--bridge-serial TEXT]\n"
         "                  [--extra-bridge SPEC]... [--bridge-fault SPEC]...\n"
         "                  [--wiped-calibration erased|start] [--bridge-socket PATH]\n"
         "\n"
         "Starts a virtual unit on a new pseudo-terminal, prints the terminal's path as the first\n"
         "line of standard output and serves until interrupted (SIGINT or SIGTERM).\n"
         "  --circuits N     circuits the unit reports (default 2)\n"
         "  --firmware TEXT  the six characters the unit sends after VER (default 02.000)\n"
         "  --instant        answer at once instead of at the wire speed of 19200 baud\n"
         "  --seed N         seed of the random faults (default 1)\n"
         "  --standalone MODES\n"
         "                   standalone modes of channels 1 and 2 as the MS reply gives them:\n"
         "                   d1r1,d2r2 with the mode digit d (0 disabled, 1 fixed value,\n"
         "                   2 automatic output) and the run state r (0 stopped, 1 running,\n"
         "                   2 paused); default 00,00. Example: 21,10\n"
         "  --alarm CH:WORD:BIT\n"
         "                   raise status bit BIT (0 to 15) of channel CH from the start; WORD is\n"
         "                     main  0 over-temperature, 1 slewing, 2 output short of compliance,\n"
         "                           3 watchdog, 4 CRC1\n"
         "                     ext   (external-supply output) 0 output short, 1 output fault,\n"
         "                           2 SPI2, 3 CRC2\n"
         "                   Example: --alarm 1:main:0 --alarm 2:ext:3\n"
         "  --calibration-mode N\n"
         "                   calibration mode word of every range, decimal or 0x hexadecimal\n"
         "                   (default 1: maker calibration; 2: user calibration)\n"
         "  --wiped-calibration erased|start\n"
         "                   what the calibration reads as once the boot loader has erased the\n"
         "                   flash: every word 0xFFFF (erased, the default) or the start values\n"
         "                   (start: mode 0, zeros 0, gains 0x8000)\n"
         "  --fault SPEC     inject faults; SPEC is a comma-separated list of\n"
         "                   NAME[:COUNT][@PROB][=VALUE][#LETTERS] with NAME one of\n"
         "                     drop       leave the reply out\n"
         "                     corrupt    change one byte of the reply so that it no longer\n"
         "                                matches (a checksum digit, or the first letter)\n"
         "                     corrupt=POS[/HH]\n"
         "                                change byte POS (from 0; * for a random one) into HH\n"
         "                                (hexadecimal), or into the next digit or letter;\n"
         "                                the checksum stays as it was\n"
         "                     forge[=POS[/HH]]\n"
         "                                the same (a random byte of the content without POS),\n"
         "                                then give a framed reply the checksum that fits\n"
         "                     noise      send an unrelated line before the reply\n"
         "                     delay=MS   hold the reply back MS milliseconds\n"
         "                     silent     answer nothing, as if unplugged\n"
         "                     longline   send 600 bytes without a line end before the reply\n"
         "                   COUNT limits a fault to the next COUNT replies, PROB applies it to\n"
         "                   each reply with that probability, LETTERS to the replies whose\n"
         "                   letters begin so (R status, VER, CH, MS).\n"
         "                   Example: drop:2,noise@0.1,forge=2/37:1#R\n"
         "  --unit-fault SPEC\n"
         "                   faults of the unit's own: a comma-separated list of\n"
         "                     pe=CODE           refuse every memory erase with NG and CODE (hex)\n"
         "                     pw=CODE           refuse every memory write likewise\n"
         "                     pr=N              damage the checksum of memory read reply N\n"
         "                                       (0: the first), once\n"
         "                     silent-after=N    answer nothing after N more lines\n"
         "                   and of its boot loader (BLOCK: 256-byte block 0 to 511 of the flash)\n"
         "                     b1-from=N         answer the bit-rate adjustment only from the\n"
         "                                       Nth restart into boot mode on\n"
         "                     b8=CODE           refuse the programming state with CODE (hex)\n"
         "                     b15-bad=BLOCK     one byte of BLOCK reads back wrong\n"
         "                     b13-silent=BLOCK  fall silent at the programming of BLOCK\n"
         "                     b15-silent=BLOCK  fall silent at the reading of BLOCK\n"
         "                   Example: --unit-fault pe=3A\n"
         "  --bridge-serial TEXT\n"
         "                   serial number of the unit's simulated USB bridge (default KR, the\n"
         "                   circuit digit, A0001; its description is \"Holvik KRV FT230X\")\n"
         "  --extra-bridge SERIAL[:DESCRIPTION]\n"
         "                   one more simulated bridge, with a unit of its own (repeatable)\n"
         "  --bridge-fault SPEC\n"
         "                   faults of the unit's replies on its bridge, as --fault; a delayed\n"
         "                   reply goes out with the first byte the unit receives after its time\n"
         "                   (it then arrives while the host waits for its next answer).\n"
         "                   Example: --bridge-fault delay=700:1#CRU\n"
         "  --bridge-socket PATH\n"
         "                   lend the unit's bridge to other krvctl processes over a Unix socket\n"
         "                   at PATH: krvctl --sim-bridge PATH COMMAND reaches this unit through\n"
         "                   a simulated bridge of its own (one process at a time), so the unit\n"
         "                   outlives its clients, also one that is killed\n"
         "The simulated bridges live in the simulating process; the same options after\n"
         "--simulate give them to any other command (krvctl --simulate bridges).\n",
         {{"--circuits", true},
          {"--firmware", true},
          {"--instant", false},
          {"--seed", true},
          {"--standalone", true},
          {"--alarm", true},
          {"--calibration-mode", true},
          {"--wiped-calibration", true},
          {"--bridge-socket", true},
          {"--fault", true},
          {"--unit-fault", true}},
         RunSim},
        {"bridges",
         "list the USB bridges the D2XX calls see, and which are units",
         "Usage: krvctl bridges [--json]\n"
         "\n"
         "Lists every device the D2XX library reports, by index: serial number, description\n"
         "and whether it is a unit (description \"Holvik KRV FT230X\", serial number beginning\n"
         "with KR). The first line gives the number of units.\n"
         "  --json   {\"units\":N,\"devices\":[{\"index\":0,\"serial\":\"KR2A0001\",\n"
         "           \"description\":\"Holvik KRV FT230X\",\"unit\":true}]}\n"
         "Without a unit, prints アナログユニットが接続されていません to standard error and exits "
         "1.\n",
         {{"--json", false}},
         RunBridges},
        {"restart",
         "restart the unit through its USB bridge",
         "Usage: krvctl restart\n"
         "\n"
         "Finds the one unit among the USB bridges, opens its bridge and restarts the unit with\n"
         "the CBUS pulse (levels 0x31, 0x30, then off, 200 ms apart); the unit forgets its\n"
         "outputs as after a power cycle. Exits 1, with the panel's message on standard error,\n"
         "when no unit or more than one is connected.\n",
         {},
         RunRestart},
        {"doctor",
         "check why the unit does not connect: USB, driver, access, udev, EEPROM, firmware",
         "Usage: krvctl [--port NAME] doctor [--json]\n"
         "\n"
         "Checks, in order, and prints each with a verdict (OK, WARN, FAIL, -- not checked), what\n"
         "was found and what to do:\n"
         "  usb            the unit's bridge on USB (0403:6015 \"Holvik KRV FT230X\", serial "
         "KR...)\n"
         "  driver         the kernel's ftdi_sio bound to it, and its serial device ttyUSBn\n"
         "  serial-access  whether this user may open the serial device (and which group would)\n"
         "  usb-access     whether this user may open the bridge's USB device node\n"
         "  udev-rule      70-krv-generator.rules installed\n"
         "  latency        the bridge's latency timer at 1 ms\n"
         "  modemmanager   ModemManager running without the mark that keeps it off the port\n"
         "  holders        other programs holding the port (its lock, exclusive mode, /proc)\n"
         "  eeprom         CBUS0 and CBUS1 in I/O mode (read through libftdi; the serial port\n"
         "                 goes away meanwhile, krvctl waits up to 5 s for it to come back)\n"
         "  firmware       the unit's firmware version, asked on the port (--port, else the\n"
         "                 bridge's serial device)\n"
         "  --json   "
         "{\"checks\":[{\"id\",\"title\",\"verdict\",\"detail\",\"advice\"}],\"problems\":N}\n"
         "           with verdict ok, warning, problem or \"not checked\"\n"
         "Exits 1 when any check found a problem, 0 otherwise.\n",
         {{"--json", false}},
         RunDoctor},
    };
    return commands;
}

}  // namespace krv::cli
