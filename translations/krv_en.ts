<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ja">
<context>
    <name>AutoOutputChecks</name>
    <message>
        <source>開始値が数値以外です</source>
        <translation>The start value is not a number</translation>
    </message>
    <message>
        <source>終了値・折返値が数値以外です</source>
        <translation>The end or peak value is not a number</translation>
    </message>
    <message>
        <source>範囲外データがあります</source>
        <translation>A value is out of range</translation>
    </message>
    <message>
        <source>更新間隔が数値以外です</source>
        <translation>The interval is not a number</translation>
    </message>
    <message>
        <source>更新間隔は０より大きい必要があります</source>
        <translation>The interval must be greater than 0</translation>
    </message>
    <message>
        <source>更新間隔は9999秒以下です</source>
        <translation>The interval must be 9999 s or less</translation>
    </message>
    <message>
        <source>繰返しが数値以外です</source>
        <translation>The repeat count is not a number</translation>
    </message>
    <message>
        <source>繰返しは0～1000000回です</source>
        <translation>The repeat count must be 0 to 1000000</translation>
    </message>
    <message>
        <source>変化量が数値以外です</source>
        <translation>The step is not a number</translation>
    </message>
    <message>
        <source>変化量は０以外です</source>
        <translation>The step must not be 0</translation>
    </message>
    <message>
        <source>変化量が範囲外です</source>
        <translation>The step is out of range</translation>
    </message>
    <message>
        <source>未入力データがあります</source>
        <translation>A point has no value or interval</translation>
    </message>
    <message>
        <source>数値以外のデータがあります</source>
        <translation>A point is not a number</translation>
    </message>
    <message>
        <source>値範囲を超えています</source>
        <translation>An interval is out of range</translation>
    </message>
    <message>
        <source>ファイルが開けません</source>
        <translation>The file cannot be opened</translation>
    </message>
    <message>
        <source>長すぎる行があります</source>
        <translation>The file has a line that is too long</translation>
    </message>
    <message>
        <source>ファイルの読込みに失敗しました</source>
        <translation>The file could not be read</translation>
    </message>
</context>
<context>
    <name>CBremixApp</name>
    <message>
        <source>仮想ユニットを起動できません: %1</source>
        <translation>cannot start the virtual unit: %1</translation>
    </message>
    <message>
        <source>ポートの一覧は抜き差しに追従しません: %1</source>
        <translation>the port list will not follow plugging and unplugging: %1</translation>
    </message>
</context>
<context>
    <name>Caption</name>
    <message>
        <source>確認</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>ChannelCommands</name>
    <message>
        <source>接続されていません</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>ＯＮ状態では切替できません。</source>
        <translation>Cannot switch while the output is ON.</translation>
    </message>
    <message>
        <source>変換器にPCレス設定を書込後、有効となります</source>
        <translation>Takes effect once the standalone settings are written to the unit</translation>
    </message>
</context>
<context>
    <name>ChannelDisplay</name>
    <message>
        <source>出力部高温</source>
        <translation>Overheat</translation>
    </message>
    <message>
        <source>出力不足</source>
        <translation>Low output</translation>
    </message>
    <message>
        <source>出力異常</source>
        <translation>Output fault</translation>
    </message>
    <message>
        <source>ＯＮ</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>ＯＦＦ</source>
        <translation>OFF</translation>
    </message>
    <message>
        <source>PCレス 固定値出力</source>
        <translation>Standalone: fixed</translation>
    </message>
    <message>
        <source> PCレス 自動出力 </source>
        <translation> Standalone: auto </translation>
    </message>
    <message>
        <source>のこぎり波</source>
        <translation>Sawtooth</translation>
    </message>
    <message>
        <source>三角波</source>
        <translation>Triangle</translation>
    </message>
    <message>
        <source>任意波</source>
        <translation>Arbitrary</translation>
    </message>
</context>
<context>
    <name>CommPort</name>
    <message>
        <source>%1は使えません</source>
        <translation>%1 cannot be used</translation>
    </message>
    <message>
        <source>別のプログラムがこのポートを使用しています</source>
        <translation>Another program is using this port</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>使い方: bremix2 [オプション] [SETTINGS-FILE]

KRVの操作パネルです。SETTINGS-FILE は設定ファイル(*.ini)で、起動時に新規設定の
代わりに開きます。

オプション:
  --simulate[=CIRCUITS]  回路数 1、2、4 (既定 2) の仮想ユニットを疑似端末で動かし、
                         ポート一覧の先頭に置きます
  --port PATH            シリアルポート PATH も一覧に加えます (繰り返し指定可)
  --trace FILE           ユニットとの通信の記録を FILE に書きます (KRV_TRACE=FILE
                         でも同じ)。4 MB に達すると FILE.1 になります
  --lang LANG            パネルの言語: en (英語) または ja (日本語)。指定がなければ
                         パネルで選んだ言語、それもなければロケールの言語
  --help                 この説明を表示します
</source>
        <translation>Usage: bremix2 [options] [SETTINGS-FILE]

The KRV control panel. SETTINGS-FILE is a settings file (*.ini) opened at start-up
instead of starting a new settings set.

Options:
  --simulate[=CIRCUITS]  serve a virtual unit with 1, 2 or 4 circuits (default 2) on a
                         pseudo-terminal and put it first in the port list
  --port PATH            list the serial port PATH as well (may be repeated)
  --trace FILE           record a wire trace of the unit&apos;s link in FILE (also
                         KRV_TRACE=FILE); at 4 MB it becomes FILE.1
  --lang LANG            the language of the panel: en (English) or ja (Japanese);
                         else the one chosen in the panel, else the locale&apos;s
  --help                 show this text
</translation>
    </message>
    <message>
        <source>--simulate の回路数は 1、2、4 のいずれかです (「%1」)</source>
        <translation>--simulate takes 1, 2 or 4 circuits, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--port にはパス PATH が要ります</source>
        <translation>--port needs a PATH</translation>
    </message>
    <message>
        <source>--trace にはファイル FILE が要ります</source>
        <translation>--trace needs a FILE</translation>
    </message>
    <message>
        <source>--lang には en か ja が要ります</source>
        <translation>--lang needs en or ja</translation>
    </message>
    <message>
        <source>--lang は en か ja です (「%1」)</source>
        <translation>--lang takes en or ja, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>不明なオプション %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>開ける設定ファイルは１つだけです (「%1」と「%2」)</source>
        <translation>only one settings file can be opened (&quot;%1&quot; and &quot;%2&quot;)</translation>
    </message>
    <message>
        <source>設定ファイル名が空です</source>
        <translation>the settings file name is empty</translation>
    </message>
    <message>
        <source>詳しくは &apos;bremix2 --help&apos; を見てください。</source>
        <translation>Try &apos;bremix2 --help&apos;.</translation>
    </message>
    <message>
        <source>トレースを書き込めません: %1</source>
        <translation>cannot write the trace: %1</translation>
    </message>
</context>
<context>
    <name>Connection</name>
    <message>
        <source>接続できません。</source>
        <translation>Cannot connect.</translation>
    </message>
    <message>
        <source>KRVのファームウェアを最新版に更新してください。</source>
        <translation>Please update the KRV firmware to the latest version.</translation>
    </message>
    <message>
        <source>表示回路数を切替ます。</source>
        <translation>Switching the number of circuits shown.</translation>
    </message>
    <message>
        <source>状態確認に失敗しました。</source>
        <translation>The status check failed.</translation>
    </message>
</context>
<context>
    <name>Diagnosis</name>
    <message>
        <source>USB ブリッジ</source>
        <translation>USB bridge</translation>
    </message>
    <message>
        <source>カーネルドライバ</source>
        <translation>Kernel driver</translation>
    </message>
    <message>
        <source>シリアルポートのアクセス</source>
        <translation>Serial port access</translation>
    </message>
    <message>
        <source>USB デバイスのアクセス</source>
        <translation>USB device access</translation>
    </message>
    <message>
        <source>udev ルール</source>
        <translation>udev rule</translation>
    </message>
    <message>
        <source>レイテンシタイマー</source>
        <translation>Latency timer</translation>
    </message>
    <message>
        <source>ポートを持つ他のプログラム</source>
        <translation>Other programs on the port</translation>
    </message>
    <message>
        <source>ブリッジの EEPROM</source>
        <translation>Bridge EEPROM</translation>
    </message>
    <message>
        <source>発生器のファームウェア</source>
        <translation>Unit firmware</translation>
    </message>
    <message>
        <source>この確認の前に止めました。</source>
        <translation>Stopped before this check.</translation>
    </message>
    <message>
        <source>確認に失敗しました: %1</source>
        <translation>The check failed: %1</translation>
    </message>
    <message>
        <source>確認に失敗しました。</source>
        <translation>The check failed.</translation>
    </message>
    <message>
        <source>[正常]</source>
        <translation>[ OK ]</translation>
    </message>
    <message>
        <source>[注意]</source>
        <translation>[WARN]</translation>
    </message>
    <message>
        <source>[異常]</source>
        <translation>[FAIL]</translation>
    </message>
    <message>
        <source>問題は見つかりませんでした。</source>
        <translation>No problems found.</translation>
    </message>
    <message>
        <source>問題 1 件</source>
        <translation>1 problem</translation>
    </message>
    <message>
        <source>問題 %1 件</source>
        <translation>%1 problems</translation>
    </message>
    <message>
        <source>注意 1 件</source>
        <translation>1 warning</translation>
    </message>
    <message>
        <source>注意 %1 件</source>
        <translation>%1 warnings</translation>
    </message>
    <message>
        <source>%1、%2: 問題を解決するまで発生器は動きません。</source>
        <translation>%1, %2: the unit will not work until the problems are solved.</translation>
    </message>
    <message>
        <source>%1、%2。</source>
        <translation>%1, %2.</translation>
    </message>
    <message>
        <source>発生器の USB ケーブルを抜き、もう一度差し込んでください。</source>
        <translation>Unplug the unit&apos;s USB cable and plug it in again.</translation>
    </message>
    <message>
        <source>プログラムの udev ルールを組み込んでください: sudo cp 70-krv-generator.rules /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload-rules (ファイルはプログラムに付いています。ソースでは packaging/ の中です)。その後、発生器を抜いてもう一度差し込んでください。</source>
        <translation>Install the program&apos;s udev rule: sudo cp 70-krv-generator.rules /etc/udev/rules.d/ &amp;&amp; sudo udevadm control --reload-rules (the file comes with the program, in packaging/ of its sources), then unplug the unit and plug it in again.</translation>
    </message>
    <message>
        <source>バス %1 デバイス %2、製品 &quot;%3&quot;、シリアル番号 &quot;%4&quot;</source>
        <translation>bus %1 device %2, product &quot;%3&quot;, serial number &quot;%4&quot;</translation>
    </message>
    <message>
        <source>発生器ではない FT230X (USB 0403:6015): %1 (発生器のブリッジは製品文字列 &quot;%2&quot; と、&quot;%3&quot; で始まるシリアル番号を持ちます)。</source>
        <translation>An FT230X (USB 0403:6015) that is not a unit: %1 (a unit&apos;s bridge has the product string &quot;%2&quot; and a serial number beginning with &quot;%3&quot;).</translation>
    </message>
    <message>
        <source>USB 0403:6015: %1</source>
        <translation>USB 0403:6015 at %1</translation>
    </message>
    <message>
        <source>そのバス番号またはデバイスアドレスを sysfs から読めません。</source>
        <translation>Its bus number or device address cannot be read from sysfs.</translation>
    </message>
    <message>
        <source>USB 上に発生器のブリッジが %1 台:</source>
        <translation>%1 unit bridges on USB:</translation>
    </message>
    <message>
        <source>発生器は一台だけ接続してください: プログラムはちょうど一台と動きます。</source>
        <translation>Connect only one unit: the program works with exactly one.</translation>
    </message>
    <message>
        <source>USB デバイスが見えません (%1 がありません)。</source>
        <translation>No USB devices can be seen (%1 is missing).</translation>
    </message>
    <message>
        <source>発生器を差し込んだ機械の上で実行してください。/sys のないコンテナの中では調べられません。</source>
        <translation>Run this on the machine the unit is plugged into, not in a container without /sys.</translation>
    </message>
    <message>
        <source>USB 上に発生器のブリッジ (USB 0403:6015、&quot;%1&quot;) がありません。</source>
        <translation>No unit bridge (USB 0403:6015, &quot;%1&quot;) on USB.</translation>
    </message>
    <message>
        <source>発生器を USB ケーブルで差し込み、電源を入れてください。その後 lsusb に 0403:6015 が出るはずです。</source>
        <translation>Plug the unit in with its USB cable and switch it on; lsusb should then list 0403:6015.</translation>
    </message>
    <message>
        <source>その FT230X が発生器なら、ブリッジの EEPROM が発生器のものとして書かれていません。そうでなければ発生器を差し込み、電源を入れてください。</source>
        <translation>If that FT230X is the unit, its bridge&apos;s EEPROM is not programmed as a unit&apos;s; otherwise plug the unit in and switch it on.</translation>
    </message>
    <message>
        <source>調べる発生器のブリッジが一台に決まりません。</source>
        <translation>No single unit bridge to look at.</translation>
    </message>
    <message>
        <source>インターフェース %1 にはドライバが結び付いていません。</source>
        <translation>Interface %1 has no driver bound.</translation>
    </message>
    <message>
        <source>インターフェース %1 に結び付いているのは %3 ではなく %2 です。</source>
        <translation>Interface %1 is bound to %2, not %3.</translation>
    </message>
    <message>
        <source>%1 はインターフェース %2 に結び付いていますが、その下にシリアルデバイスがありません。</source>
        <translation>%1 is bound to interface %2, but no serial device is listed under it.</translation>
    </message>
    <message>
        <source>%1 はインターフェース %2 に結び付いています。シリアルデバイスは %3 です。</source>
        <translation>%1 is bound to interface %2; its serial device is %3.</translation>
    </message>
    <message>
        <source>ブリッジにインターフェースがありません。</source>
        <translation>The bridge has no interfaces listed.</translation>
    </message>
    <message>
        <source>プログラムが libftdi でブリッジを持っているかもしれません (ファームウェア更新や再起動の途中): 終わるまで待ってください。そうでなければ sudo modprobe %1 でドライバを読み込み、発生器を抜いてもう一度差し込んでください。</source>
        <translation>A program may hold the bridge through libftdi (a firmware update or a restart in progress): wait for it to end. Otherwise load the driver with sudo modprobe %1, then unplug the unit and plug it in again.</translation>
    </message>
    <message>
        <source>調べるシリアルデバイスがありません。</source>
        <translation>No serial device to check.</translation>
    </message>
    <message>
        <source>%1 がありません。</source>
        <translation>%1 does not exist.</translation>
    </message>
    <message>
        <source>ユーザー %1 は %2%3 を読み書きできます。</source>
        <translation>User %1 may read and write %2%3.</translation>
    </message>
    <message>
        <source>ユーザー %1 は %2%3 を読み書きできません。</source>
        <translation>User %1 may not read and write %2%3.</translation>
    </message>
    <message>
        <source>ユーザーをデバイスのグループ %1 に加えてください: sudo usermod -aG %1 $USER の後、ログインし直します。または、機械の前でログインしているユーザーのために、プログラムの udev ルールを組み込んでください (席のユーザーにアクセスを与えます。uaccess)。</source>
        <translation>Either add the user to the device&apos;s group %1: sudo usermod -aG %1 $USER, then log out and in again; or, for the user logged in at the machine, install the program&apos;s udev rule (it gives the seat&apos;s user access, uaccess).</translation>
    </message>
    <message>
        <source>バスとアドレスの分かる発生器のブリッジが一台に決まりません。</source>
        <translation>No single unit bridge with a known bus and address.</translation>
    </message>
    <message>
        <source>ユーザー %1 は %2%3 を読み書きできません: 再起動、ブートモード、EEPROM の確認に必要です。</source>
        <translation>User %1 may not read and write %2%3: restarts, boot mode and the EEPROM check need it.</translation>
    </message>
    <message>
        <source>プログラムの udev ルールは、機械の前で (ssh でなく) ログインしているユーザーにアクセスを与えます (uaccess)。</source>
        <translation>The program&apos;s udev rule gives the user logged in at the machine itself (not over ssh) access to it (uaccess).</translation>
    </message>
    <message>
        <source>ノードのグループ %1 のメンバーも使えます。</source>
        <translation>Members of the node&apos;s group %1 may use it too.</translation>
    </message>
    <message>
        <source>組み込み済み: %1</source>
        <translation>Installed: %1.</translation>
    </message>
    <message>
        <source>%1 に発生器のブリッジのルールがありません: ルールがないと、機械の前のユーザーはブリッジを使えず、レイテンシタイマーは 16 ms のままで、ModemManager がポートを探るかもしれません。</source>
        <translation>No rule for the unit&apos;s bridge in %1: without it the user at the machine gets no access to the bridge, the latency timer stays at 16 ms and ModemManager may probe the port.</translation>
    </message>
    <message>
        <source>調べるブリッジのシリアルデバイスがありません。</source>
        <translation>No serial device of the bridge to look at.</translation>
    </message>
    <message>
        <source>%1 を読めません。</source>
        <translation>%1 cannot be read.</translation>
    </message>
    <message>
        <source>%1 の中身は &quot;%2&quot; です。</source>
        <translation>%1 holds &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>1 ms です。</source>
        <translation>1 ms.</translation>
    </message>
    <message>
        <source>%1 ms: プログラムがポートを開いて下げるまで、ブリッジは短い応答を最大 %1 ms 留めます。</source>
        <translation>%1 ms: the bridge holds short replies up to %1 ms until the program opens the port and lowers it.</translation>
    </message>
    <message>
        <source>udev ルールは発生器が差し込まれると 1 ms にします。</source>
        <translation>The udev rule sets 1 ms when the unit is plugged in.</translation>
    </message>
    <message>
        <source>ModemManager は動いていません。</source>
        <translation>ModemManager is not running.</translation>
    </message>
    <message>
        <source>udev の項目 %1</source>
        <translation>udev&apos;s entry %1</translation>
    </message>
    <message>
        <source>ルール %1</source>
        <translation>the rule %1</translation>
    </message>
    <message>
        <source>udev ルールなし</source>
        <translation>no udev rule</translation>
    </message>
    <message>
        <source>ModemManager が動いています (pid %1)。ポートには触れないよう印が付いています (%2)。</source>
        <translation>ModemManager is running (pid %1); the port is marked for it to leave alone (%2).</translation>
    </message>
    <message>
        <source>ModemManager が動いていて (pid %1)、ポートに ID_MM_DEVICE_IGNORE の印がありません (%2): 発生器が差し込まれると AT コマンドでポートを探ります。</source>
        <translation>ModemManager is running (pid %1) and the port is not marked ID_MM_DEVICE_IGNORE (%2): it probes the port with AT commands when the unit is plugged in.</translation>
    </message>
    <message>
        <source>または ModemManager を止めてください: sudo systemctl stop ModemManager。</source>
        <translation>Or stop ModemManager: sudo systemctl stop ModemManager.</translation>
    </message>
    <message>
        <source>(そのロックは調べられませんでした: %1。)</source>
        <translation>(Its lock could not be looked at: %1.)</translation>
    </message>
    <message>
        <source>ポートは別のプログラムが排他モードで開いています。</source>
        <translation>The port is open in exclusive mode by another program.</translation>
    </message>
    <message>
        <source>ポートは別のプログラム (bremix2 か krvctl) がロックしています。</source>
        <translation>The port is locked by another program (bremix2 or krvctl).</translation>
    </message>
    <message>
        <source>プロセス %1 (%2) が開いています。</source>
        <translation>Process %1 (%2) has it open.</translation>
    </message>
    <message>
        <source>接続する前に、別のプログラムを閉じて (または示したプロセスを終了して) ください。</source>
        <translation>Close the other program (or end the named process) before connecting.</translation>
    </message>
    <message>
        <source>%1 を持っているのはこのプログラムだけです。</source>
        <translation>Only this program holds %1.</translation>
    </message>
    <message>
        <source>%1 を持っている別のプログラムはありません。</source>
        <translation>No other program holds %1.</translation>
    </message>
    <message>
        <source>(他のユーザーのプロセス %1 個は調べられませんでした。)</source>
        <translation>(%1 processes of other users could not be looked into.)</translation>
    </message>
    <message>
        <source>所有者 %1、グループ %2、モード %3</source>
        <translation>owner %1, group %2, mode %3</translation>
    </message>
    <message>
        <source>読む発生器のブリッジが一台に決まりません。</source>
        <translation>No single unit bridge to read.</translation>
    </message>
    <message>
        <source>このプログラムがポートを持っている間は読みません: 読むとブリッジをシリアルドライバから取り上げ、ポートが切れます。切断してもう一度確認してください。</source>
        <translation>Not read while this program holds the port: reading takes the bridge from the serial driver and cuts the port off. Disconnect and run the check again.</translation>
    </message>
    <message>
        <source>別のプログラムがポートを持っている間は読みません: 読むとポートが切れます。</source>
        <translation>Not read while another program holds the port: reading would cut it off.</translation>
    </message>
    <message>
        <source>読みません: ブリッジの USB デバイスノードにアクセスできません。</source>
        <translation>Not read: no access to the bridge&apos;s USB device node.</translation>
    </message>
    <message>
        <source>読みません: このプログラムがブリッジを開いています。</source>
        <translation>Not read: this program has the bridge open.</translation>
    </message>
    <message>
        <source>libftdi を準備できませんでした。</source>
        <translation>libftdi could not be set up.</translation>
    </message>
    <message>
        <source>ブリッジを開けません: %1</source>
        <translation>The bridge cannot be opened: %1</translation>
    </message>
    <message>
        <source>EEPROM を読めません: %1</source>
        <translation>The EEPROM cannot be read: %1</translation>
    </message>
    <message>
        <source>EEPROM から CBUS の機能を読めません。</source>
        <translation>The CBUS functions cannot be read from the EEPROM.</translation>
    </message>
    <message>
        <source>CBUS0 と CBUS1 は I/O モードです (再起動とブートの線)。</source>
        <translation>CBUS0 and CBUS1 are in I/O mode (restart and boot lines).</translation>
    </message>
    <message>
        <source>CBUS0 の機能 %1、CBUS1 の機能 %2 で、I/O モード (%3) ではありません: 再起動とブートモードへの移行は何も言わずに失敗します。</source>
        <translation>CBUS0 function %1, CBUS1 function %2, not I/O mode (%3): restarts and boot-mode entry fail without a word.</translation>
    </message>
    <message>
        <source>ブリッジの EEPROM に、CBUS0 と CBUS1 を GPIO (I/O モード) として FT_PROG か ftdi_eeprom で書き込む必要があります。発生器のメーカーに問い合わせてください。</source>
        <translation>The bridge&apos;s EEPROM must be programmed with CBUS0 and CBUS1 as GPIO (I/O mode), with FT_PROG or ftdi_eeprom; ask the unit&apos;s maker.</translation>
    </message>
    <message>
        <source>%1 は読んでから %2 ms 以内に戻りませんでした。</source>
        <translation>%1 did not come back within %2 ms of reading.</translation>
    </message>
    <message>
        <source>発生器に問い合わせるシリアルデバイスがありません。</source>
        <translation>No serial device to ask the unit on.</translation>
    </message>
    <message>
        <source>問い合わせません: このプログラムがブリッジを直接開いています。</source>
        <translation>Not asked: this program has the bridge open directly.</translation>
    </message>
    <message>
        <source>%1 を開けないので、発生器に問い合わせませんでした。</source>
        <translation>%1 cannot be opened, so the unit was not asked.</translation>
    </message>
    <message>
        <source>上の確認 (アクセス、別のプログラム) を見てください。</source>
        <translation>See the checks above (access, other programs).</translation>
    </message>
    <message>
        <source>発生器は %1 で応答しませんでした。</source>
        <translation>The unit did not answer on %1.</translation>
    </message>
    <message>
        <source>発生器の電源が入っているか確かめてください。再起動する (krvctl restart) か、抜いてもう一度差し込んでください。</source>
        <translation>Check that the unit is switched on; restart it (krvctl restart) or unplug it and plug it in again.</translation>
    </message>
    <message>
        <source>%2 のファームウェア %1 は、このプログラムが必要とする %3 より古いものです。</source>
        <translation>Firmware %1 on %2, older than %3 that this program needs.</translation>
    </message>
    <message>
        <source>発生器のファームウェアを更新してください: krvctl firmware update FILE.cya。</source>
        <translation>Update the unit&apos;s firmware: krvctl firmware update FILE.cya.</translation>
    </message>
    <message>
        <source>%2 のファームウェア %1。</source>
        <translation>Firmware %1 on %2.</translation>
    </message>
</context>
<context>
    <name>DialogChecks</name>
    <message>
        <source>最小値に誤りがあります</source>
        <translation>The minimum is not valid</translation>
    </message>
    <message>
        <source>最大値に誤りがあります</source>
        <translation>The maximum is not valid</translation>
    </message>
    <message>
        <source>有効桁数を超えています</source>
        <translation>Too many significant digits</translation>
    </message>
    <message>
        <source>単位が桁数を超えています</source>
        <translation>The unit is too long</translation>
    </message>
    <message>
        <source>入力データに誤りがあります</source>
        <translation>A value is not a number</translation>
    </message>
    <message>
        <source>範囲外データがあります</source>
        <translation>A value is out of range</translation>
    </message>
    <message>
        <source>全ユーザー調整値を初期化しますか？</source>
        <translation>Reset all user calibration values?</translation>
    </message>
    <message>
        <source>調整値が変更されています。保存しますか？</source>
        <translation>The calibration values have changed. Save them?</translation>
    </message>
</context>
<context>
    <name>FirmwareFile</name>
    <message>
        <source>ファイルを読み込めません</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <source>ファイルが空です</source>
        <translation>The file is empty</translation>
    </message>
    <message>
        <source>ヘッダーの途中、%2バイトで切れています</source>
        <translation>The file ends inside its header, after %2 bytes</translation>
    </message>
    <message>
        <source>レコード%1の途中、%2バイトで切れています</source>
        <translation>The file ends inside record %1, after %2 bytes</translation>
    </message>
    <message>
        <source>レコード%1の形式が正しくありません</source>
        <translation>Record %1 is not well-formed</translation>
    </message>
    <message>
        <source>レコード%1のチェックサムが合いません</source>
        <translation>Record %1 has a wrong checksum</translation>
    </message>
    <message>
        <source>レコード%1のデータが範囲外です(アドレス%2)</source>
        <translation>Record %1 holds data out of range (address %2)</translation>
    </message>
    <message>
        <source>データレコードがありません</source>
        <translation>There are no data records</translation>
    </message>
    <message>
        <source>終了レコードがありません</source>
        <translation>There is no end record</translation>
    </message>
    <message>
        <source>終了レコード(レコード%1)の後にレコードがあります</source>
        <translation>Records follow the end record (record %1)</translation>
    </message>
</context>
<context>
    <name>FirmwareUpdate</name>
    <message>
        <source>キャンセルしました</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>本体補正データ受信中</source>
        <translation>Reading the unit&apos;s calibration</translation>
    </message>
    <message>
        <source>補正データチェック中</source>
        <translation>Checking the calibration</translation>
    </message>
    <message>
        <source>補正ファイル読込み中</source>
        <translation>Reading the calibration file</translation>
    </message>
    <message>
        <source>補正ファイル検証中</source>
        <translation>Checking the calibration file</translation>
    </message>
    <message>
        <source>
メーカーに連絡してください
シリアル番号:</source>
        <translation>
Please contact the maker
Serial number:</translation>
    </message>
    <message>
        <source>更新後リセット中</source>
        <translation>Resetting after the update</translation>
    </message>
    <message>
        <source>補正データ転送中</source>
        <translation>Sending the calibration</translation>
    </message>
    <message>
        <source>補正データ書込中</source>
        <translation>Writing the calibration</translation>
    </message>
    <message>
        <source>補正データ書込後リセット中</source>
        <translation>Resetting after writing the calibration</translation>
    </message>
    <message>
        <source>アナログユニットが接続されていません</source>
        <translation>No analog unit is connected</translation>
    </message>
    <message>
        <source>アナログユニットが２台以上接続されています
１台のみ接続してください</source>
        <translation>Two or more analog units are connected
Connect only one</translation>
    </message>
    <message>
        <source>FTDIシリアル番号が異常です(1)
</source>
        <translation>Invalid FTDI serial number (1)
</translation>
    </message>
    <message>
        <source>FTDIシリアル番号が異常です(2)
</source>
        <translation>Invalid FTDI serial number (2)
</translation>
    </message>
    <message>
        <source>ファイルが選択されていません</source>
        <translation>No file selected</translation>
    </message>
    <message>
        <source>接続できません
パソコン内ファイルを検索しますか。</source>
        <translation>Cannot connect
Use the calibration file saved on this PC?</translation>
    </message>
    <message>
        <source>本体補正データが異常です
パソコン内ファイルを検索しますか。</source>
        <translation>The unit&apos;s calibration is invalid
Use the calibration file saved on this PC?</translation>
    </message>
    <message>
        <source>本体補正データが初期値です
パソコン内ファイルを検索しますか。</source>
        <translation>The unit&apos;s calibration holds start values
Use the calibration file saved on this PC?</translation>
    </message>
    <message>
        <source>保存した補正ファイルが本体補正データと一致しません
更新できません
シリアル番号:</source>
        <translation>The saved calibration file does not match the unit&apos;s calibration
Cannot update
Serial number:</translation>
    </message>
    <message>
        <source>補正データを保存できません</source>
        <translation>Cannot save the calibration</translation>
    </message>
    <message>
        <source>パソコン内補正ファイルの読込みが行えません
更新できません
メーカーに連絡してください
シリアル番号:</source>
        <translation>Cannot read the calibration file on this PC
Cannot update
Please contact the maker
Serial number:</translation>
    </message>
    <message>
        <source>パソコン内補正ファイル内容が異常です
更新できません
メーカーに連絡してください
シリアル番号:</source>
        <translation>The calibration file on this PC is invalid
Cannot update
Please contact the maker
Serial number:</translation>
    </message>
    <message>
        <source>補正データが異常です
メーカーに連絡してください
シリアル番号:</source>
        <translation>The calibration is invalid
Please contact the maker
Serial number:</translation>
    </message>
    <message>
        <source>更新が終了しました</source>
        <translation>Update finished</translation>
    </message>
    <message>
        <source>更新正常終了</source>
        <translation>Update completed</translation>
    </message>
    <message>
        <source>補正データを発生器に書き戻せませんでした
ファームウェアは更新されています
補正データはパソコン内ファイルに保存されています
</source>
        <translation>Could not write the calibration back to the unit
The firmware has been updated
The calibration is saved in a file on this PC
</translation>
    </message>
    <message>
        <source>補正データ書込失敗</source>
        <translation>Calibration write failed</translation>
    </message>
</context>
<context>
    <name>MaintenanceCommands</name>
    <message>
        <source>ＯＮ状態では設定できません。</source>
        <translation>Cannot be set while an output is ON.</translation>
    </message>
    <message>
        <source>接続されていません</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>OutputLog</name>
    <message>
        <source>出力記録ファイルを作成できません。</source>
        <translation>Cannot create the output log file.</translation>
    </message>
    <message>
        <source>出力記録ファイルではないファイルには書き込みません。</source>
        <translation>This file is not an output log; it is left as it is.</translation>
    </message>
    <message>
        <source>出力記録ファイルは他のプログラムが書込み中です。</source>
        <translation>Another program is writing this output log file.</translation>
    </message>
    <message>
        <source>出力記録ファイルに書き込めないため、記録を停止しました。</source>
        <translation>Cannot write to the output log file; logging stopped.</translation>
    </message>
</context>
<context>
    <name>PanelLanguage</name>
    <message>
        <source>Qt の日本語訳 (%1 の qtbase_ja.qm) がインストールされていません。標準のダイアログは英語で表示されます</source>
        <translation>Qt&apos;s Japanese translations (qtbase_ja.qm in %1) are not installed; standard dialogs show English</translation>
    </message>
</context>
<context>
    <name>ProgramUnit</name>
    <message>
        <source>更新準備中</source>
        <translation>Preparing the update</translation>
    </message>
    <message>
        <source>発生器を再起動しています</source>
        <translation>Restarting the unit</translation>
    </message>
    <message>
        <source>ビットレート自動調整中</source>
        <translation>Adjusting the bit rate</translation>
    </message>
    <message>
        <source>ターゲットMCU確定中</source>
        <translation>Identifying the target MCU</translation>
    </message>
    <message>
        <source>メモリ消去中</source>
        <translation>Erasing memory</translation>
    </message>
    <message>
        <source>プログラム転送中</source>
        <translation>Sending the program</translation>
    </message>
    <message>
        <source>プログラム書込中</source>
        <translation>Writing the program</translation>
    </message>
    <message>
        <source>プログラム照合中</source>
        <translation>Verifying the program</translation>
    </message>
    <message>
        <source>
発生器 </source>
        <translation>
Unit </translation>
    </message>
    <message>
        <source>不明</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source> → ファイル </source>
        <translation> → file </translation>
    </message>
    <message>
        <source>発生器のプログラムは消去されています
</source>
        <translation>The unit&apos;s program has been erased
</translation>
    </message>
    <message>
        <source>補正データの保存先: </source>
        <translation>Calibration saved in: </translation>
    </message>
    <message>
        <source>もう一度更新を実行してください</source>
        <translation>Run the update again</translation>
    </message>
    <message>
        <source>ファイルが開けません</source>
        <translation>Cannot open the file</translation>
    </message>
    <message>
        <source>転送ファイルに誤りがあります </source>
        <translation>The firmware file is not valid </translation>
    </message>
    <message>
        <source>更新しますか？</source>
        <translation>Update the firmware?</translation>
    </message>
    <message>
        <source>発生器とプログラムバージョンが同じです
再更新しますか？</source>
        <translation>The unit already has this program version
Update again?</translation>
    </message>
    <message>
        <source>キャンセルしました
発生器を再起動してください</source>
        <translation>Cancelled
Restart the unit</translation>
    </message>
    <message>
        <source>発生器がブートモードで応答しません
発生器を再起動してください</source>
        <translation>The unit does not answer in boot mode
Restart the unit</translation>
    </message>
    <message>
        <source>BootModeRelease(UP_NG)</source>
        <translation>BootModeRelease(UP_NG)</translation>
    </message>
    <message>
        <source>Program/Erase status transition Error</source>
        <translation>Program/Erase status transition Error</translation>
    </message>
    <message>
        <source>Memory read Error</source>
        <translation>Memory read Error</translation>
    </message>
</context>
<context>
    <name>Ranges</name>
    <message>
        <source>0～5 V</source>
        <translation>0-5 V</translation>
    </message>
    <message>
        <source>0～10 V</source>
        <translation>0-10 V</translation>
    </message>
    <message>
        <source>-5～5 V</source>
        <translation>-5-5 V</translation>
    </message>
    <message>
        <source>-10～10 V</source>
        <translation>-10-10 V</translation>
    </message>
    <message>
        <source>内 4～20 mA</source>
        <translation>Int 4-20 mA</translation>
    </message>
    <message>
        <source>内 0～20 mA</source>
        <translation>Int 0-20 mA</translation>
    </message>
    <message>
        <source>内 0～24 mA</source>
        <translation>Int 0-24 mA</translation>
    </message>
    <message>
        <source>1～5 V</source>
        <translation>1-5 V</translation>
    </message>
    <message>
        <source>外 4～20 mA</source>
        <translation>Ext 4-20 mA</translation>
    </message>
    <message>
        <source>外 0～24 mA</source>
        <translation>Ext 0-24 mA</translation>
    </message>
    <message>
        <source>換算式</source>
        <translation>Scaled</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>ファイル形式が違います。</source>
        <translation>Not a settings file.</translation>
    </message>
    <message>
        <source>ファイルバージョンが異なります、最新バージョンをインストールしてください。</source>
        <translation>The file is from another version; please install the latest version.</translation>
    </message>
    <message>
        <source>%1 の末尾以降にアクセスしようとしました。</source>
        <translation>%1 ends too early.</translation>
    </message>
    <message>
        <source>%1 を開けません。</source>
        <translation>Cannot open %1.</translation>
    </message>
</context>
<context>
    <name>StandaloneFlows</name>
    <message>
        <source>データ読出中1</source>
        <translation>Reading data 1</translation>
    </message>
    <message>
        <source>データ読出中2</source>
        <translation>Reading data 2</translation>
    </message>
    <message>
        <source>データ読出中3</source>
        <translation>Reading data 3</translation>
    </message>
    <message>
        <source>データ読出中4</source>
        <translation>Reading data 4</translation>
    </message>
    <message>
        <source>消去中</source>
        <translation>Erasing</translation>
    </message>
    <message>
        <source>データ転送中</source>
        <translation>Sending data</translation>
    </message>
    <message>
        <source>データ書込中1</source>
        <translation>Writing data 1</translation>
    </message>
    <message>
        <source>データ書込中2</source>
        <translation>Writing data 2</translation>
    </message>
    <message>
        <source>データ書込中3</source>
        <translation>Writing data 3</translation>
    </message>
    <message>
        <source>書込完了</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>再起動中</source>
        <translation>Restarting</translation>
    </message>
    <message>
        <source>正常終了</source>
        <translation>Completed</translation>
    </message>
    <message>
        <source>照合完了</source>
        <translation>Verified</translation>
    </message>
    <message>
        <source>、終了します</source>
        <translation>; stopped</translation>
    </message>
    <message>
        <source>データ読出エラー</source>
        <translation>Data read error</translation>
    </message>
    <message>
        <source>照合エラー </source>
        <translation>Verify error </translation>
    </message>
    <message>
        <source>ImageMoveエラー</source>
        <translation>ImageMove error</translation>
    </message>
    <message>
        <source>書込み正常終了、再起動します</source>
        <translation>Written; the unit restarts</translation>
    </message>
    <message>
        <source>照合結果：一致</source>
        <translation>Verify result: identical</translation>
    </message>
    <message>
        <source>発生器が再起動後に応答しません。発生器の電源を入れ直してください。</source>
        <translation>The unit does not answer after the restart. Switch the unit off and on again.</translation>
    </message>
    <message>
        <source>発生器を自動で再起動できませんでした。発生器の電源を入れ直してください。</source>
        <translation>The unit could not be restarted automatically. Switch the unit off and on again.</translation>
    </message>
</context>
<context>
    <name>StandaloneImage</name>
    <message>
        <source>エラー無し</source>
        <translation>No error</translation>
    </message>
    <message>
        <source>連動動作</source>
        <translation>Linked operation</translation>
    </message>
    <message>
        <source>PCレス</source>
        <translation>Standalone</translation>
    </message>
    <message>
        <source>自動出力モード</source>
        <translation>Automatic output mode</translation>
    </message>
    <message>
        <source>換算モード</source>
        <translation>Scaled mode</translation>
    </message>
    <message>
        <source>出力レンジ</source>
        <translation>Output range</translation>
    </message>
    <message>
        <source>換算式</source>
        <translation>Conversion formula</translation>
    </message>
    <message>
        <source>固定出力値</source>
        <translation>Fixed output value</translation>
    </message>
    <message>
        <source>繰返し値</source>
        <translation>Repeat count</translation>
    </message>
    <message>
        <source>開始値</source>
        <translation>Start value</translation>
    </message>
    <message>
        <source>終了値</source>
        <translation>End value</translation>
    </message>
    <message>
        <source>変化量</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>更新間隔</source>
        <translation>Update interval</translation>
    </message>
    <message>
        <source>任意波&#x3000;データ有無</source>
        <translation>Arbitrary wave: data present</translation>
    </message>
    <message>
        <source>任意波&#x3000;一時停止</source>
        <translation>Arbitrary wave: pause</translation>
    </message>
    <message>
        <source>任意波&#x3000;チャネル</source>
        <translation>Arbitrary wave: channel</translation>
    </message>
    <message>
        <source>任意波&#x3000;更新間隔</source>
        <translation>Arbitrary wave: update interval</translation>
    </message>
    <message>
        <source>任意波&#x3000;値</source>
        <translation>Arbitrary wave: value</translation>
    </message>
</context>
<context>
    <name>StandaloneImageBuilder</name>
    <message>
        <source>任意波データの合計数が %1 以上です</source>
        <translation>The arbitrary waves hold %1 points or more in total</translation>
    </message>
</context>
<context>
    <name>StandaloneMemory</name>
    <message>
        <source>エラー無し</source>
        <translation>No error</translation>
    </message>
    <message>
        <source>書式異常</source>
        <translation>Format error</translation>
    </message>
    <message>
        <source>チャネル番号異常</source>
        <translation>Channel number error</translation>
    </message>
    <message>
        <source>出力レンジ異常</source>
        <translation>Output range error</translation>
    </message>
    <message>
        <source>出力状態異常</source>
        <translation>Output state error</translation>
    </message>
    <message>
        <source>出力値異常</source>
        <translation>Output value error</translation>
    </message>
    <message>
        <source>タイムアウト</source>
        <translation>Timeout</translation>
    </message>
    <message>
        <source>イレーズ異常</source>
        <translation>erase error</translation>
    </message>
    <message>
        <source>ブランク異常</source>
        <translation>blank check error</translation>
    </message>
    <message>
        <source>書込異常</source>
        <translation>write error</translation>
    </message>
    <message>
        <source>照合異常</source>
        <translation>verify error</translation>
    </message>
    <message>
        <source>NG（エラーコード読取不能）</source>
        <translation>NG (error code unreadable)</translation>
    </message>
</context>
<context>
    <name>UnitInformation</name>
    <message>
        <source>無効</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>メーカー</source>
        <translation>Maker</translation>
    </message>
    <message>
        <source>ユーザー</source>
        <translation>User</translation>
    </message>
    <message>
        <source>不明</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>回路数	%1</source>
        <translation>Circuits	%1</translation>
    </message>
    <message>
        <source>アナログ出力調整値</source>
        <translation>Analog output calibration</translation>
    </message>
    <message>
        <source>&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;メーカー&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;ユーザー</source>
        <translation>&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;Maker&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;User</translation>
    </message>
    <message>
        <source>チャネル %1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>通信エラーが発生しました</source>
        <translation>A communication error occurred</translation>
    </message>
    <message>
        <source>&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;ZERO&#x3000;&#x3000;&#x3000;GAIN&#x3000;&#x3000;&#x3000;ZERO&#x3000;&#x3000;GAIN&#x3000;&#x3000;&#x3000;&#x3000;MODE</source>
        <translation>&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;&#x3000;ZERO&#x3000;&#x3000;&#x3000;GAIN&#x3000;&#x3000;&#x3000;ZERO&#x3000;&#x3000;GAIN&#x3000;&#x3000;&#x3000;&#x3000;MODE</translation>
    </message>
</context>
<context>
    <name>krv::CAboutDlg</name>
    <message>
        <source>バージョン情報 Bremix</source>
        <translation>About Bremix</translation>
    </message>
</context>
<context>
    <name>krv::CAutoOutDlg</name>
    <message>
        <source>のこぎり波</source>
        <translation>Sawtooth</translation>
    </message>
    <message>
        <source>三角波</source>
        <translation>Triangle</translation>
    </message>
    <message>
        <source>任意波</source>
        <translation>Arbitrary</translation>
    </message>
    <message>
        <source>変化量は絶対値にて入力、繰返しは「0」にて連続動作</source>
        <translation>Enter the step as an absolute value; repeat &quot;0&quot; runs continuously</translation>
    </message>
    <message>
        <source>繰返しは「0」にて連続動作</source>
        <translation>Repeat &quot;0&quot; runs continuously</translation>
    </message>
    <message>
        <source>PCレスモード以外での小数点２桁の時間設定は小数点１桁に切り上げて動作します</source>
        <translation>Outside standalone mode, 2-decimal intervals are rounded up to 1 decimal</translation>
    </message>
    <message>
        <source>CSVﾌｧｲﾙ(*.csv);;全てのﾌｧｲﾙ(*.*)</source>
        <translation>CSV files (*.csv);;All files (*.*)</translation>
    </message>
    <message>
        <source>自動出力設定</source>
        <translation>Automatic Output</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>レンジ</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>開始値</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>終了値</source>
        <translation>End</translation>
    </message>
    <message>
        <source>変化量</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>更新間隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>繰返し</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>回</source>
        <translation>x</translation>
    </message>
    <message>
        <source>順番</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>値</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>更新間隔 (秒)</source>
        <translation>Interval (s)</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>CSV読込</source>
        <translation>Load CSV</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>出力する波形：のこぎり波、三角波、任意波</source>
        <translation>Waveform to output: sawtooth, triangle or arbitrary</translation>
    </message>
    <message>
        <source>出力を始める値（レンジの最小値～最大値）</source>
        <translation>Value the output starts at (range minimum to maximum)</translation>
    </message>
    <message>
        <source>のこぎり波は終わる値、三角波は折り返す値（レンジの最小値～最大値）</source>
        <translation>Value a sawtooth ends at or a triangle turns at (range minimum to maximum)</translation>
    </message>
    <message>
        <source>１回の更新で変わる量（絶対値、０以外）</source>
        <translation>Change per update (absolute value, not 0)</translation>
    </message>
    <message>
        <source>値を更新する間隔（秒、０より大きく9999以下）</source>
        <translation>Time between updates (s, above 0 up to 9999)</translation>
    </message>
    <message>
        <source>繰返し回数（0～1000000、0 で連続）</source>
        <translation>Number of repeats (0 to 1000000, 0 runs continuously)</translation>
    </message>
    <message>
        <source>任意波の点：値、更新間隔（秒）、一時停止は「1」
ダブルクリックで編集します</source>
        <translation>Arbitrary waveform points: value, interval (s), &quot;1&quot; to pause
Double-click to edit</translation>
    </message>
    <message>
        <source>CSVファイル（値,更新間隔,一時停止）から点を読み込みます</source>
        <translation>Load the points from a CSV file (value,interval,pause)</translation>
    </message>
    <message>
        <source>設定を確定して閉じます</source>
        <translation>Accept the settings and close</translation>
    </message>
    <message>
        <source>変更を捨てて戻ります</source>
        <translation>Discard the changes and go back</translation>
    </message>
    <message>
        <source>折返値</source>
        <translation>Peak</translation>
    </message>
    <message>
        <source>（%1行目）</source>
        <translation> (row %1)</translation>
    </message>
</context>
<context>
    <name>krv::CAutoOutPicture</name>
    <message>
        <source>開始値</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>折返値</source>
        <translation>Peak</translation>
    </message>
    <message>
        <source>終了値</source>
        <translation>End</translation>
    </message>
    <message>
        <source>変化量</source>
        <translation>Step</translation>
    </message>
    <message>
        <source>更新間隔</source>
        <translation>Interval</translation>
    </message>
</context>
<context>
    <name>krv::CBremixDoc</name>
    <message>
        <source>%1 に保存できませんでした。</source>
        <translation>Could not save to %1.</translation>
    </message>
    <message>
        <source>保存できない文字があったため、「?」に置き換えて保存しました。</source>
        <translation>Some characters could not be stored and were saved as &quot;?&quot;.</translation>
    </message>
    <message>
        <source>無題</source>
        <translation>Untitled</translation>
    </message>
</context>
<context>
    <name>krv::CBremixView</name>
    <message>
        <source>接続</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>指定接続ポートが存在しません</source>
        <translation>The port to connect to does not exist</translation>
    </message>
    <message>
        <source>選択されていません。</source>
        <translation>No port is selected.</translation>
    </message>
    <message>
        <source>接続が解除されました。</source>
        <translation>The connection was lost.</translation>
    </message>
    <message>
        <source>選んだポートのユニットに接続します。接続中は切断します</source>
        <translation>Connect to the unit on the selected port; disconnect while connected</translation>
    </message>
    <message>
        <source>ユニットをつなぐシリアルポート</source>
        <translation>Serial port of the unit</translation>
    </message>
</context>
<context>
    <name>krv::CCalDlg</name>
    <message>
        <source>アナログ出力調整</source>
        <translation>Analog Output Calibration</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>レンジ</source>
        <translation>Range</translation>
    </message>
    <message>
        <source>調整値選択</source>
        <translation>Calibration in use</translation>
    </message>
    <message>
        <source>調整無効</source>
        <translation>None</translation>
    </message>
    <message>
        <source>メーカー調整有効</source>
        <translation>Factory</translation>
    </message>
    <message>
        <source>ユーザー調整有効</source>
        <translation>User</translation>
    </message>
    <message>
        <source>ユーザー出力調整</source>
        <translation>User Output Calibration</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>最小値&#x3000;出力</source>
        <translation>Output minimum</translation>
    </message>
    <message>
        <source>最大値&#x3000;出力</source>
        <translation>Output maximum</translation>
    </message>
    <message>
        <source>補正値</source>
        <translation>Trim</translation>
    </message>
    <message>
        <source>全ユーザー調整初期化</source>
        <translation>Reset User Cal.</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>調整するチャンネル</source>
        <translation>Channel to calibrate</translation>
    </message>
    <message>
        <source>チャンネルの出力レンジ</source>
        <translation>The channel&apos;s output range</translation>
    </message>
    <message>
        <source>調整値を使わずに出力します</source>
        <translation>Output without calibration</translation>
    </message>
    <message>
        <source>メーカー調整値で出力します</source>
        <translation>Output with the factory calibration</translation>
    </message>
    <message>
        <source>ユーザー調整値で出力します</source>
        <translation>Output with the user calibration</translation>
    </message>
    <message>
        <source>レンジの最小値を出力して零点を合わせます</source>
        <translation>Output the range&apos;s minimum to adjust the zero</translation>
    </message>
    <message>
        <source>レンジの最大値を出力してスパンを合わせます</source>
        <translation>Output the range&apos;s maximum to adjust the span</translation>
    </message>
    <message>
        <source>出力中の最小値</source>
        <translation>Minimum being output</translation>
    </message>
    <message>
        <source>出力中の最大値</source>
        <translation>Maximum being output</translation>
    </message>
    <message>
        <source>零点の補正値（Enter で確定）</source>
        <translation>Zero trim (Enter to apply)</translation>
    </message>
    <message>
        <source>スパンの補正値（-200～200、Enter で確定）</source>
        <translation>Span trim (-200 to 200, Enter to apply)</translation>
    </message>
    <message>
        <source>零点の補正値を１増やします</source>
        <translation>Raise the zero trim by 1</translation>
    </message>
    <message>
        <source>零点の補正値を１減らします</source>
        <translation>Lower the zero trim by 1</translation>
    </message>
    <message>
        <source>スパンの補正値を１増やします</source>
        <translation>Raise the span trim by 1</translation>
    </message>
    <message>
        <source>スパンの補正値を１減らします</source>
        <translation>Lower the span trim by 1</translation>
    </message>
    <message>
        <source>全チャンネルのユーザー調整値を初期値に戻します</source>
        <translation>Reset the user calibration of all channels to its initial values</translation>
    </message>
    <message>
        <source>調整値を確定して閉じます</source>
        <translation>Keep the calibration and close</translation>
    </message>
    <message>
        <source>調整を終えて閉じます（変更があれば保存を確認します）</source>
        <translation>Close (asks whether to save any changes)</translation>
    </message>
</context>
<context>
    <name>krv::CDacSelect</name>
    <message>
        <source>選択</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>１ 回路用</source>
        <translation>1 circuit</translation>
    </message>
    <message>
        <source>２ 回路用</source>
        <translation>2 circuits</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>接続ユニットの回路数を選択してください</source>
        <translation>Choose the connected unit&apos;s circuits</translation>
    </message>
    <message>
        <source>出力が１回路のユニットとして使います</source>
        <translation>Use the unit as one with 1 output circuit</translation>
    </message>
    <message>
        <source>出力が２回路のユニットとして使います</source>
        <translation>Use the unit as one with 2 output circuits</translation>
    </message>
    <message>
        <source>回路数を選ばずに閉じます</source>
        <translation>Close without choosing</translation>
    </message>
</context>
<context>
    <name>krv::CMainFrame</name>
    <message>
        <source>最近使った設定</source>
        <translation>Recent Settings</translation>
    </message>
    <message>
        <source>ファイル(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>新規設定(&amp;N)	Ctrl+N</source>
        <translation>&amp;New Settings	Ctrl+N</translation>
    </message>
    <message>
        <source>開く(&amp;O)...	Ctrl+O</source>
        <translation>&amp;Open...	Ctrl+O</translation>
    </message>
    <message>
        <source>開く</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>上書き保存(&amp;S)	Ctrl+S</source>
        <translation>&amp;Save	Ctrl+S</translation>
    </message>
    <message>
        <source>名前を付けて保存(&amp;A)...</source>
        <translation>Save &amp;As...</translation>
    </message>
    <message>
        <source>アプリケーションの終了(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>自動出力&#x3000;連動動作</source>
        <translation>Linked Automatic Output</translation>
    </message>
    <message>
        <source>PCレス設定</source>
        <translation>Standalone Setup</translation>
    </message>
    <message>
        <source>アナログ出力調整</source>
        <translation>Analog Output Calibration</translation>
    </message>
    <message>
        <source>記録</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>出力記録を開始...</source>
        <translation>Start Output Log...</translation>
    </message>
    <message>
        <source>出力記録を停止</source>
        <translation>Stop Output Log</translation>
    </message>
    <message>
        <source>トレンド表示</source>
        <translation>Show Trend</translation>
    </message>
    <message>
        <source>ヘルプ(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>発生器&#x3000;情報</source>
        <translation>Generator Information</translation>
    </message>
    <message>
        <source>発生器&#x3000;ファームウェア更新</source>
        <translation>Generator Firmware Update</translation>
    </message>
    <message>
        <source>診断...</source>
        <translation>Diagnosis...</translation>
    </message>
    <message>
        <source>バージョン情報 Bremix(&amp;A)...</source>
        <translation>&amp;About Bremix...</translation>
    </message>
    <message>
        <source>名前を付けて保存</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>マニュアル(&amp;M)</source>
        <translation>&amp;Manual</translation>
    </message>
    <message>
        <source>マニュアルが見つかりません。次の場所にあるはずです。
%1</source>
        <translation>The manual is not installed. It was expected at:
%1</translation>
    </message>
    <message>
        <source>マニュアルを開けません。
%1</source>
        <translation>Cannot open the manual.
%1</translation>
    </message>
</context>
<context>
    <name>krv::CPcResSetupDlg</name>
    <message>
        <source>無効</source>
        <translation>Disabled</translation>
    </message>
    <message>
        <source>固定値出力</source>
        <translation>Fixed value</translation>
    </message>
    <message>
        <source>自動出力</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>PCなしでは何も出力しません</source>
        <translation>Output nothing without a PC</translation>
    </message>
    <message>
        <source>PCなしで固定値を出力します</source>
        <translation>Output the fixed value without a PC</translation>
    </message>
    <message>
        <source>PCなしで自動出力を行います</source>
        <translation>Run the automatic output without a PC</translation>
    </message>
    <message>
        <source>PCレス設定</source>
        <translation>Standalone Setup</translation>
    </message>
    <message>
        <source>チャネル1</source>
        <translation>Channel 1</translation>
    </message>
    <message>
        <source>チャネル2 </source>
        <translation>Channel 2 </translation>
    </message>
    <message>
        <source>待機中</source>
        <translation>Idle</translation>
    </message>
    <message>
        <source>書込</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>照合</source>
        <translation>Verify</translation>
    </message>
    <message>
        <source>読出</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>書込・照合の進み具合</source>
        <translation>Progress of the write or verify</translation>
    </message>
    <message>
        <source>ユニットとのやり取りの状況</source>
        <translation>What is being done with the unit</translation>
    </message>
    <message>
        <source>選んだ動作と出力の設定をユニットに書き込みます（接続中のみ）</source>
        <translation>Write the chosen modes and output settings to the unit (when connected)</translation>
    </message>
    <message>
        <source>ユニットの設定がこの設定と同じか照合します（接続中のみ）</source>
        <translation>Check that the unit&apos;s settings match these (when connected)</translation>
    </message>
    <message>
        <source>ユニットの設定を読み出します（接続中のみ）</source>
        <translation>Read the unit&apos;s settings (when connected)</translation>
    </message>
    <message>
        <source>設定を確定して閉じます</source>
        <translation>Accept the settings and close</translation>
    </message>
    <message>
        <source>閉じます</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>krv::CPresetDlg</name>
    <message>
        <source>設定値</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>設定値 %1（最小値～最大値の範囲）</source>
        <translation>Preset %1 (within min to max)</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>設定値を確定して閉じます</source>
        <translation>Accept the presets and close</translation>
    </message>
    <message>
        <source>変更を捨てて戻ります</source>
        <translation>Discard the changes and go back</translation>
    </message>
</context>
<context>
    <name>krv::CProgramUp</name>
    <message>
        <source>更新ファームウェア</source>
        <translation>Firmware file</translation>
    </message>
    <message>
        <source>ファイル選択</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>書き込むファームウェアのファイル（*.cya）を選びます</source>
        <translation>Choose the firmware file (*.cya) to write</translation>
    </message>
    <message>
        <source>選んだファームウェアのファイル</source>
        <translation>The chosen firmware file</translation>
    </message>
    <message>
        <source>更新の進み具合</source>
        <translation>Progress of the update</translation>
    </message>
    <message>
        <source>更新の状況</source>
        <translation>State of the update</translation>
    </message>
    <message>
        <source>選んだファームウェアをユニットに書き込みます</source>
        <translation>Write the chosen firmware to the unit</translation>
    </message>
    <message>
        <source>更新を中止して閉じます</source>
        <translation>Stop the update and close</translation>
    </message>
    <message>
        <source>ファームウェア更新</source>
        <translation>Firmware Update</translation>
    </message>
    <message>
        <source>未選択</source>
        <translation>None chosen</translation>
    </message>
    <message>
        <source>更新ファームウェアを選択してください</source>
        <translation>Choose the firmware file</translation>
    </message>
    <message>
        <source>更新してください</source>
        <translation>Press Update</translation>
    </message>
    <message>
        <source>戻る</source>
        <translation>Back</translation>
    </message>
</context>
<context>
    <name>krv::CRangeSelectDlg</name>
    <message>
        <source>出力レンジ選択</source>
        <translation>Output Range</translation>
    </message>
    <message>
        <source>電流</source>
        <translation>Current</translation>
    </message>
    <message>
        <source>内部電源</source>
        <translation>Internal</translation>
    </message>
    <message>
        <source>外部電源</source>
        <translation>External</translation>
    </message>
    <message>
        <source>電圧</source>
        <translation>Voltage</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>レンジを変えずに閉じます</source>
        <translation>Close without changing the range</translation>
    </message>
    <message>
        <source>電圧出力 %1</source>
        <translation>Voltage output %1</translation>
    </message>
    <message>
        <source>電流出力 %1（外部電源）</source>
        <translation>Current output %1 (external supply)</translation>
    </message>
    <message>
        <source>電流出力 %1（内部電源）</source>
        <translation>Current output %1 (internal supply)</translation>
    </message>
    <message>
        <source>4～20mA</source>
        <translation>4-20mA</translation>
    </message>
    <message>
        <source>0～20mA</source>
        <translation>0-20mA</translation>
    </message>
    <message>
        <source>0～24mA</source>
        <translation>0-24mA</translation>
    </message>
    <message>
        <source>0～5V</source>
        <translation>0-5V</translation>
    </message>
    <message>
        <source>1～5V</source>
        <translation>1-5V</translation>
    </message>
    <message>
        <source>0～10V</source>
        <translation>0-10V</translation>
    </message>
    <message>
        <source>-5～5V</source>
        <translation>-5-5V</translation>
    </message>
    <message>
        <source>-10～10V</source>
        <translation>-10-10V</translation>
    </message>
</context>
<context>
    <name>krv::CScaleDlg</name>
    <message>
        <source>換算式</source>
        <translation>Scaling</translation>
    </message>
    <message>
        <source>チャンネル</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>最小値</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大値</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>アナログ値</source>
        <translation>Analog</translation>
    </message>
    <message>
        <source>換算値</source>
        <translation>Scaled</translation>
    </message>
    <message>
        <source>(有効桁数5桁）</source>
        <translation>(5 digits)</translation>
    </message>
    <message>
        <source>単位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>(半角3文字以内)</source>
        <translation>(3 chars max.)</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>アナログ値の最小値に対応する換算値（有効桁数5桁）</source>
        <translation>Scaled value at the analog minimum (5 significant digits)</translation>
    </message>
    <message>
        <source>アナログ値の最大値に対応する換算値（有効桁数5桁）</source>
        <translation>Scaled value at the analog maximum (5 significant digits)</translation>
    </message>
    <message>
        <source>換算値の単位（半角3文字以内）</source>
        <translation>Unit of the scaled value (up to 3 ASCII characters)</translation>
    </message>
    <message>
        <source>換算式を確定して閉じます</source>
        <translation>Accept the scaling and close</translation>
    </message>
    <message>
        <source>変更を捨てて閉じます</source>
        <translation>Discard the changes and close</translation>
    </message>
</context>
<context>
    <name>krv::ChannelColumn</name>
    <message>
        <source>温度異常</source>
        <translation>Overheat</translation>
    </message>
    <message>
        <source>ノーマル</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>換算</source>
        <translation>Scl.</translation>
    </message>
    <message>
        <source>式</source>
        <translation>f(x)</translation>
    </message>
    <message>
        <source>設定</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>秒</source>
        <translation>s</translation>
    </message>
    <message>
        <source>回</source>
        <translation>times</translation>
    </message>
    <message>
        <source>換算</source>
        <comment>full text</comment>
        <translation>Scaled</translation>
    </message>
    <message>
        <source>式</source>
        <comment>full text</comment>
        <translation>Formula</translation>
    </message>
    <message>
        <source>設定</source>
        <comment>full text</comment>
        <translation>Settings</translation>
    </message>
    <message>
        <source>ユーザー校正値で出力しているとき印が出ます</source>
        <translation>Marked while the output uses the user calibration</translation>
    </message>
    <message>
        <source>PCレス設定で変換器に書き込まれている動作</source>
        <translation>Standalone mode written to the unit</translation>
    </message>
    <message>
        <source>出力部が知らせている異常</source>
        <translation>Alarm reported by the output stage</translation>
    </message>
    <message>
        <source>出力レンジを選びます</source>
        <translation>Choose the output range</translation>
    </message>
    <message>
        <source>出力をオン・オフします</source>
        <translation>Switch the output on or off</translation>
    </message>
    <message>
        <source>出力値をレンジの単位で表示・設定します</source>
        <translation>Show and set the output in the units of the range</translation>
    </message>
    <message>
        <source>換算式で換算した値で表示・設定します</source>
        <translation>Show and set the output as a scaled value (conversion formula)</translation>
    </message>
    <message>
        <source>換算式と単位を設定します</source>
        <translation>Set the conversion formula and its unit</translation>
    </message>
    <message>
        <source>この桁を１つ上げます</source>
        <translation>Raise this digit by one</translation>
    </message>
    <message>
        <source>この桁を１つ下げます</source>
        <translation>Lower this digit by one</translation>
    </message>
    <message>
        <source>値を正にします</source>
        <translation>Make the value positive</translation>
    </message>
    <message>
        <source>値を負にします</source>
        <translation>Make the value negative</translation>
    </message>
    <message>
        <source>出力値。数値を入力してEnterで出力します</source>
        <translation>Output value. Type a number and press Enter to output it</translation>
    </message>
    <message>
        <source>表示している値の単位</source>
        <translation>Unit of the value shown</translation>
    </message>
    <message>
        <source>このプリセット値を出力します</source>
        <translation>Output this preset value</translation>
    </message>
    <message>
        <source>このレンジのプリセット値を設定します</source>
        <translation>Set the preset values of this range</translation>
    </message>
    <message>
        <source>自動出力の波形・値・時間を設定します</source>
        <translation>Set the automatic output: waveform, values, timing</translation>
    </message>
    <message>
        <source>自動出力の波形</source>
        <translation>Waveform of the automatic output</translation>
    </message>
    <message>
        <source>自動出力の設定値</source>
        <translation>Setting of the automatic output</translation>
    </message>
    <message>
        <source>自動出力を開始します</source>
        <translation>Start the automatic output</translation>
    </message>
    <message>
        <source>自動出力を一時停止します</source>
        <translation>Pause the automatic output</translation>
    </message>
    <message>
        <source>自動出力を停止します</source>
        <translation>Stop the automatic output</translation>
    </message>
</context>
<context>
    <name>krv::ConverterVersionDlg</name>
    <message>
        <source>発生器&#x3000;情報</source>
        <translation>Generator Information</translation>
    </message>
    <message>
        <source>キャンセル</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ユニットの型式、版数と各レンジの調整値</source>
        <translation>The unit&apos;s model, versions and each range&apos;s calibration values</translation>
    </message>
    <message>
        <source>閉じます</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>krv::DiagnosisDlg</name>
    <message>
        <source>診断中：</source>
        <translation>Diagnosing: </translation>
    </message>
    <message>
        <source>診断が終わりました。</source>
        <translation>Diagnosis finished.</translation>
    </message>
    <message>
        <source>診断を中止しました。</source>
        <translation>Diagnosis stopped.</translation>
    </message>
    <message>
        <source>診断</source>
        <translation>Diagnosis</translation>
    </message>
    <message>
        <source>コピー</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>診断結果をクリップボードにコピーします</source>
        <translation>Copy the report to the clipboard</translation>
    </message>
    <message>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>閉じます（診断中なら中止します）</source>
        <translation>Close (stops a diagnosis under way)</translation>
    </message>
    <message>
        <source>診断結果</source>
        <translation>The diagnosis report</translation>
    </message>
    <message>
        <source>診断の状況</source>
        <translation>State of the diagnosis</translation>
    </message>
</context>
<context>
    <name>krv::OutputRecording</name>
    <message>
        <source>出力記録を開始</source>
        <translation>Start Output Log</translation>
    </message>
    <message>
        <source>CSVファイル (*.csv);;全てのファイル (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
</context>
<context>
    <name>krv::TrendWindow</name>
    <message>
        <source>１</source>
        <translation>1</translation>
    </message>
    <message>
        <source>２</source>
        <translation>2</translation>
    </message>
    <message>
        <source>３</source>
        <translation>3</translation>
    </message>
    <message>
        <source>４</source>
        <translation>4</translation>
    </message>
    <message>
        <source>チャンネル%1&#x3000;%2</source>
        <translation>Channel %1  %2</translation>
    </message>
    <message>
        <source>トレンド表示</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>一時停止</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>グラフの更新を止めます。記録は続きます</source>
        <translation>Stop updating the plots; recording goes on</translation>
    </message>
    <message>
        <source>PNG保存...</source>
        <translation>Save PNG...</translation>
    </message>
    <message>
        <source>表示中のグラフをPNGファイルに保存します</source>
        <translation>Save the plots shown as a PNG file</translation>
    </message>
    <message>
        <source>直近10分</source>
        <translation>Last 10 min</translation>
    </message>
    <message>
        <source>グラフは直近10分間の出力値を示します</source>
        <translation>The plots show the outputs of the last 10 minutes</translation>
    </message>
    <message>
        <source>出力オフ</source>
        <translation>Output off</translation>
    </message>
    <message>
        <source>未接続</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>灰色: 出力がオフの間&#x3000;黄色: ユニットが接続されていない間</source>
        <translation>Grey: output switched off   Yellow: unit not connected</translation>
    </message>
    <message>
        <source>再開</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>グラフの更新を再開します</source>
        <translation>Resume updating the plots</translation>
    </message>
    <message>
        <source>PNG保存</source>
        <translation>Save PNG</translation>
    </message>
    <message>
        <source>PNGファイル (*.png)</source>
        <translation>PNG files (*.png)</translation>
    </message>
    <message>
        <source>PNGファイルを保存できません。
</source>
        <translation>Cannot save the PNG file.
</translation>
    </message>
</context>
<context>
    <name>krv::WaveformPreview</name>
    <message>
        <source>出力する点がありません</source>
        <translation>No points to output</translation>
    </message>
    <message>
        <source>プレビュー（１回分）</source>
        <translation>Preview (one repeat)</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <source> 以降省略</source>
        <translation> (rest not shown)</translation>
    </message>
    <message>
        <source>○ 一時停止</source>
        <translation>○ Pause</translation>
    </message>
</context>
<context>
    <name>krvctl</name>
    <message>
        <source>D2XX から見える USB ブリッジと、そのうちの発生器の一覧を表示する</source>
        <translation>list the USB bridges the D2XX calls see, and which are units</translation>
    </message>
    <message>
        <source>USB ブリッジ経由で発生器を再起動する</source>
        <translation>restart the unit through its USB bridge</translation>
    </message>
    <message>
        <source>発生器の調整値を表示、ユーザー値を変更、ユーザー値をリセットする</source>
        <translation>show the unit&apos;s calibration, change a user entry, reset the user entries</translation>
    </message>
    <message>
        <source>発生器が接続できない理由を調べる: USB、ドライバ、権限、udev、EEPROM、ファームウェア</source>
        <translation>check why the unit does not connect: USB, driver, access, udev, EEPROM, firmware</translation>
    </message>
    <message>
        <source>ファームウェアイメージの作成・確認・展開、発生器のファームウェア更新</source>
        <translation>pack, inspect or unpack a firmware image file; update the unit&apos;s firmware</translation>
    </message>
    <message>
        <source>発生器にファームウェアのバージョンと回路数を問い合わせる</source>
        <translation>ask the unit for its firmware version and circuit count</translation>
    </message>
    <message>
        <source>パネルと同じ形でシリアルポートの一覧を表示する</source>
        <translation>list the serial ports as the panel shows them</translation>
    </message>
    <message>
        <source>発生器を SCPI 計測器としてネットワークのクライアントに提供する (PyVISA、LabVIEW、nc)</source>
        <translation>serve the unit to network clients as a SCPI instrument (PyVISA, LabVIEW, nc)</translation>
    </message>
    <message>
        <source>設定ファイルを表示する、または新しく書く</source>
        <translation>show a settings file, or write a new one</translation>
    </message>
    <message>
        <source>新しい疑似端末で仮想の発生器を提供する</source>
        <translation>serve a virtual unit on a new pseudo-terminal</translation>
    </message>
    <message>
        <source>発生器の PCレス設定を作成、書き込み、照合、読み出しする</source>
        <translation>build, write, verify or read the unit&apos;s standalone settings</translation>
    </message>
    <message>
        <source>パネルと同じように接続し、全チャンネルの状態を表示する</source>
        <translation>connect as the panel does and show every channel&apos;s status</translation>
    </message>
    <message>
        <source>1 チャンネルのレンジ、値、出力のオン／オフを変更する</source>
        <translation>change one channel&apos;s range, value or on/off state</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME | --simulate[=1|2|4]] [--lang LANG] [--trace FILE] COMMAND [OPTIONS]

KRV アナログ出力発生器をシリアルポートから操作します。仮想の発生器を提供することもできます。

コマンド:
</source>
        <translation>Usage: krvctl [--port NAME | --simulate[=1|2|4]] [--lang LANG] [--trace FILE] COMMAND [OPTIONS]

Drives a KRV analog output generator over its serial port, or serves a virtual one.

Commands:
</translation>
    </message>
    <message>
        <source>
オプション:
  --port NAME   発生器のシリアルポート: /dev の下の名前 (ttyUSB0、pts/3) またはパス。
                省略すると、説明に発生器のブリッジの名前 (&quot;Holvik KRV FT230X&quot;) を
                持つ唯一のポートを使います。
  --simulate[=N]
                N 回路 (1、2、4。既定は 2) の仮想の発生器をこのプロセスで動かし、その
                疑似端末をシリアルポートとして、また模擬 USB ブリッジ (bridges、restart)
                を通して操作します。併せて使えるもの:
                --bridge-serial TEXT     発生器のブリッジのシリアル番号 (既定は KR、
                                         回路数の数字、A0001)
                --extra-bridge SERIAL[:DESCRIPTION]
                                         自分の発生器を持つもう一つのブリッジ
                --unit-fault SPEC        発生器とブートローダーの障害 (&apos;krvctl sim&apos;
                                         と同じ指定)
                --bridge-fault SPEC      ブリッジ上の応答の障害 (&apos;krvctl sim&apos; と同じ
                                         指定)
  --connect HOST[:PORT]
                status 専用: ポートの代わりに HOST (IPv4 アドレスまたは localhost。
                既定のポートは 5025) の krvctl serve に問い合わせます。他の人がサーバー
                経由で発生器を操作している間も記録できます
  --sim-bridge SOCKET
                &apos;krvctl sim --bridge-socket SOCKET&apos; が提供する仮想の発生器のブリッジに
                接続します (pty は &apos;krvctl sim&apos; が表示します。--port で指定します)
  --help        この説明。&apos;krvctl COMMAND --help&apos; で各コマンドを説明します。
  --lang LANG   表示の言語: en (英語) または ja (日本語)。省略時は LANGUAGE、
                LC_ALL、LC_MESSAGES、LANG が en で始まれば英語、それ以外は日本語
  -v, --verbose USB ブリッジの呼び出しを受け持つライブラリ (D2XX) も標準エラー
                出力に表示します
  --version     krvctl のバージョンを表示して終了します
  --trace FILE  通信トレースを FILE に記録します: 送受信したすべてのフレーム、USB
                ブリッジの呼び出し、やり取りの再試行とタイムアウトを、1 行に 1 件、
                マイクロ秒単位のタイムスタンプ (UTC) 付きで。4 MB で FILE.1 に名前を
                変えて新しいファイルを始めます。環境変数 KRV_TRACE=FILE でも同じです。
                --trace が優先します。
</source>
        <translation>
Options:
  --port NAME   serial port of the unit: a name under /dev (ttyUSB0, pts/3) or a path.
                Without it, the one port whose description names the unit&apos;s bridge
                (&quot;Holvik KRV FT230X&quot;) is used.
  --simulate[=N]
                run a virtual unit with N circuits (1, 2 or 4; default 2) in this process
                and talk to it: through its pseudo-terminal as the serial port, and through
                its simulated USB bridge (bridges, restart). With it:
                --bridge-serial TEXT     serial number of the unit&apos;s bridge (default
                                         KR, the circuit digit, A0001)
                --extra-bridge SERIAL[:DESCRIPTION]
                                         one more bridge with a unit of its own
                --unit-fault SPEC        faults of the unit and its boot loader, as for
                                         &apos;krvctl sim&apos;
                --bridge-fault SPEC      faults of its replies on the bridge, as for
                                         &apos;krvctl sim&apos;
  --connect HOST[:PORT]
                status only: ask the krvctl serve at HOST (an IPv4 address or
                localhost; port 5025 unless given) instead of a port, so it can log
                while others drive the unit through the server
  --sim-bridge SOCKET
                reach the bridge of the virtual unit &apos;krvctl sim --bridge-socket SOCKET&apos;
                serves (its pty is printed by &apos;krvctl sim&apos;; give it with --port)
  --help        this text; &apos;krvctl COMMAND --help&apos; describes a command.
  --lang LANG   the language of the texts: en (English) or ja (Japanese). Without it,
                English when LANGUAGE, LC_ALL, LC_MESSAGES or LANG starts with en
  -v, --verbose also say on standard error which library serves the USB bridge calls
                (D2XX)
  --version     print krvctl&apos;s version and exit
  --trace FILE  record a wire trace in FILE: every frame sent and received, the USB
                bridge&apos;s calls and the exchanges&apos; retries and time-outs, one event a
                line with a microsecond time stamp (UTC). At 4 MB the file becomes
                FILE.1 and a new one begins. KRV_TRACE=FILE in the environment does
                the same; --trace wins.
</translation>
    </message>
    <message>
        <source>
終了ステータス: 0 成功、1 発生器の失敗、2 使い方の誤り、3 PCレス設定の書き込みは
済んだが発生器が再起動されなかった (&apos;krvctl standalone --help&apos; を参照)。
</source>
        <translation>
Exit status: 0 success, 1 the unit failed, 2 usage error, 3 a standalone write went
through but the unit was not restarted (see &apos;krvctl standalone --help&apos;).
</translation>
    </message>
    <message>
        <source>
ポートは一度に一つのプログラムだけが、すべてのユーザー (root を含む) に対して使えます。
二つ目のプログラムはポートのメッセージと、2 行目の
別のプログラムがこのポートを使用しています で拒否され、一つ目はそのまま動き続けます。
-o FILE (と settings new の FILE): 通常のファイル (シンボリックリンクの指す先も。リンクは
残ります) は丸ごと置き換えるか新しく作るので、書きかけで残ることはありません。FIFO、
デバイス、/dev/stdout にはそのまま書き込みます。-o - は標準出力です (コマンドの報告は
そのとき標準エラー出力に出ます)。
</source>
        <translation>
The port belongs to one program at a time, for every user (root included). A second
program is refused with the port&apos;s message and, on a second line, &quot;Another program is
using this port&quot;; the first carries on undisturbed.
-o FILE (and the FILE of settings new): a regular file (also one a symbolic link points
to; the link stays) is replaced whole, or created, so it is never left half written; a
FIFO, device or /dev/stdout is written into as it is; -o - is standard output (the
command&apos;s report then goes to standard error).
</translation>
    </message>
    <message>
        <source>不明なオプション %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>%1 は値をとりません</source>
        <translation>%1 takes no value</translation>
    </message>
    <message>
        <source>%1 には値が必要です</source>
        <translation>%1 needs a value</translation>
    </message>
    <message>
        <source>&apos;krvctl --help&apos; を参照してください。</source>
        <translation>Try &apos;krvctl --help&apos;.</translation>
    </message>
    <message>
        <source>bridges は引数をとりません</source>
        <translation>bridges takes no arguments</translation>
    </message>
    <message>
        <source>restart は引数をとりません</source>
        <translation>restart takes no arguments</translation>
    </message>
    <message>
        <source>発生器の USB ブリッジ (%1) を開けません</source>
        <translation>the unit&apos;s USB bridge (%1) cannot be opened</translation>
    </message>
    <message>
        <source>使い方: krvctl bridges [--json]

D2XX ライブラリが報告するすべてのデバイスを番号順に表示します: シリアル番号、
説明、発生器かどうか (説明が &quot;Holvik KRV FT230X&quot;、シリアル番号が KR...)。1 行目は発生器の台数です。
  --json   {&quot;units&quot;:N,&quot;devices&quot;:[{&quot;index&quot;:0,&quot;serial&quot;:&quot;KR2A0001&quot;,
           &quot;description&quot;:&quot;Holvik KRV FT230X&quot;,&quot;unit&quot;:true}]}
発生器がなければ アナログユニットが接続されていません を標準エラー出力に表示し、
終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl bridges [--json]

Lists every device the D2XX library reports, by index: serial number, description
and whether it is a unit (description &quot;Holvik KRV FT230X&quot;, serial number beginning
with KR). The first line gives the number of units.
  --json   {&quot;units&quot;:N,&quot;devices&quot;:[{&quot;index&quot;:0,&quot;serial&quot;:&quot;KR2A0001&quot;,
           &quot;description&quot;:&quot;Holvik KRV FT230X&quot;,&quot;unit&quot;:true}]}
Without a unit, prints アナログユニットが接続されていません to standard error and exits 1.
</translation>
    </message>
    <message>
        <source>使い方: krvctl restart

USB ブリッジの中から一台の発生器を見つけ、そのブリッジを開いて CBUS のパルス (レベル
0x31、0x30、その後オフ、200 ms 間隔) で発生器を再起動します。発生器は電源を入れ直した
ときと同じく出力を忘れます。発生器がないときや 2 台以上接続されているときは、パネルの
メッセージを標準エラー出力に表示し、終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl restart

Finds the one unit among the USB bridges, opens its bridge and restarts the unit with
the CBUS pulse (levels 0x31, 0x30, then off, 200 ms apart); the unit forgets its
outputs as after a power cycle. Exits 1, with the panel&apos;s message on standard error,
when no unit or more than one is connected.
</translation>
    </message>
    <message>
        <source>calibration show は引数をとりません</source>
        <translation>calibration show takes no arguments</translation>
    </message>
    <message>
        <source>接続できません。</source>
        <translation>Cannot connect.</translation>
    </message>
    <message>
        <source>calibration set にはチャンネル (1 ～ 4) を一つ指定します</source>
        <translation>calibration set takes one channel (1 to 4)</translation>
    </message>
    <message>
        <source>calibration set: チャンネルは 1 ～ 4 です</source>
        <translation>calibration set: the channel must be 1 to 4</translation>
    </message>
    <message>
        <source>calibration set には --range KEY が必要です: 0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA</source>
        <translation>calibration set needs --range KEY: 0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA</translation>
    </message>
    <message>
        <source>calibration set には --mode off、maker、user のいずれかが必要です</source>
        <translation>calibration set needs --mode off, maker or user</translation>
    </message>
    <message>
        <source>%3 の --zero は %1 ～ %2 の整数です</source>
        <translation>--zero must be a whole number from %1 to %2 for %3</translation>
    </message>
    <message>
        <source>--gain は -200 ～ 200 の整数です</source>
        <translation>--gain must be a whole number from -200 to 200</translation>
    </message>
    <message>
        <source>発生器の回路数は %1 です。チャンネル %2 はありません</source>
        <translation>the unit has %1 circuits; there is no channel %2</translation>
    </message>
    <message>
        <source>calibration reset-user は引数をとりません</source>
        <translation>calibration reset-user takes no arguments</translation>
    </message>
    <message>
        <source>calibration には show、set、reset-user のいずれかが必要です</source>
        <translation>calibration needs show, set or reset-user</translation>
    </message>
    <message>
        <source>calibration %1 は %2 をとりません</source>
        <translation>calibration %1 takes no %2</translation>
    </message>
    <message>
        <source>--json をとるのは calibration show だけです</source>
        <translation>only calibration show takes --json</translation>
    </message>
    <message>
        <source>不明な calibration のコマンド &apos;%1&apos;</source>
        <translation>unknown calibration command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME] calibration show [--json]
        krvctl [--port NAME] calibration set CH --range KEY --mode off|maker|user
                                           [--zero N] [--gain N] [--save]
        krvctl [--port NAME] calibration reset-user

show は全チャンネルの全レンジのメーカー調整とユーザー調整を読み、ユニット情報を表示
します (ファームウェア、回路数、レンジごとに 1 行: メーカーのゼロとゲイン、ユーザーの
ゼロとゲイン、使用中の調整)。
  --json   {&quot;firmware&quot;:&quot;020000&quot;,&quot;circuits&quot;:2,&quot;entries&quot;:[{&quot;channel&quot;:1,&quot;code&quot;:0,
           &quot;key&quot;:&quot;0_5V&quot;,&quot;makerZero&quot;:0,&quot;makerGain&quot;:0,&quot;userZero&quot;:0,&quot;userGain&quot;:-10,
           &quot;mode&quot;:1}, ...]}: 補正値は符号付き、ゲインは 0x8000 のオフセットを除いた値、
           mode は 0 なし、1 メーカー、2 ユーザー
set はチャンネル CH (1 ～ 4) のレンジ KEY のユーザー値を読み、使用する調整 (--mode)
と指定された補正値を変えて発生器に書き込みます。--save ではユーザー表も保存し、再起動
後も残るようにします。
  --zero N   4_20mA と 1_5V は -200 ～ 200、他のレンジは 0 ～ 200
  --gain N   -200 ～ 200
reset-user は発生器のユーザー補正値をすべてゼロに戻します。
発生器が応答しない読み書きは 通信エラーが発生しました を標準エラー出力に表示し、
終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl [--port NAME] calibration show [--json]
       krvctl [--port NAME] calibration set CH --range KEY --mode off|maker|user
                                           [--zero N] [--gain N] [--save]
       krvctl [--port NAME] calibration reset-user

show reads the maker and user calibration of every range of every channel and prints
the unit information (firmware, circuits, one line per range: maker zero and gain,
user zero and gain, the calibration in use).
  --json   {&quot;firmware&quot;:&quot;020000&quot;,&quot;circuits&quot;:2,&quot;entries&quot;:[{&quot;channel&quot;:1,&quot;code&quot;:0,
           &quot;key&quot;:&quot;0_5V&quot;,&quot;makerZero&quot;:0,&quot;makerGain&quot;:0,&quot;userZero&quot;:0,&quot;userGain&quot;:-10,
           &quot;mode&quot;:1}, ...]}: signed corrections, gains without their 0x8000 offset,
           mode 0 none, 1 maker, 2 user
set reads channel CH&apos;s (1 to 4) user entry of the range KEY, changes the calibration in
use (--mode) and the corrections given, and writes it to the unit; --save also stores
the user table, so that it survives a restart.
  --zero N   -200 to 200 for 4_20mA and 1_5V, 0 to 200 for the other ranges
  --gain N   -200 to 200
reset-user sets every user correction of the unit back to zero.
A read or write the unit does not answer prints 通信エラーが発生しました to standard
error and exits 1.
</translation>
    </message>
    <message>
        <source>doctor は引数をとりません</source>
        <translation>doctor takes no arguments</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME] doctor [--json]

次の順に調べ、それぞれを判定 (正常、注意、異常、-- 未確認)、見つかったこと、すべき
ことと共に表示します:
  usb            USB 上の発生器のブリッジ (0403:6015 &quot;Holvik KRV FT230X&quot;、シリアル番号 KR...)
  driver         カーネルの ftdi_sio が結び付いているか、そのシリアルデバイス ttyUSBn
  serial-access  このユーザーがシリアルデバイスを開けるか (開けるグループはどれか)
  usb-access     このユーザーがブリッジの USB デバイスノードを開けるか
  udev-rule      70-krv-generator.rules が組み込まれているか
  latency        ブリッジのレイテンシタイマーが 1 ms か
  modemmanager   ポートから遠ざける印なしで ModemManager が動いていないか
  holders        ポートを持つ他のプログラム (ロック、排他モード、/proc)
  eeprom         CBUS0 と CBUS1 が I/O モードか (libftdi で読みます。その間シリアル
                 ポートは消え、krvctl は戻るのを最大 5 秒待ちます)
  firmware       発生器のファームウェアのバージョン。ポート (--port、なければ
                 ブリッジのシリアルデバイス) で問い合わせます
  --json   {&quot;checks&quot;:[{&quot;id&quot;,&quot;title&quot;,&quot;verdict&quot;,&quot;detail&quot;,&quot;advice&quot;}],&quot;problems&quot;:N}
           verdict は ok、warning、problem、&quot;not checked&quot; のいずれか。title、detail、
           advice は表示の言語です
いずれかの確認で問題が見つかれば終了ステータス 1、それ以外は 0 で終わります。
</source>
        <translation>Usage: krvctl [--port NAME] doctor [--json]

Checks, in order, and prints each with a verdict (OK, WARN, FAIL, -- not checked), what
was found and what to do:
  usb            the unit&apos;s bridge on USB (0403:6015 &quot;Holvik KRV FT230X&quot;, serial KR...)
  driver         the kernel&apos;s ftdi_sio bound to it, and its serial device ttyUSBn
  serial-access  whether this user may open the serial device (and which group would)
  usb-access     whether this user may open the bridge&apos;s USB device node
  udev-rule      70-krv-generator.rules installed
  latency        the bridge&apos;s latency timer at 1 ms
  modemmanager   ModemManager running without the mark that keeps it off the port
  holders        other programs holding the port (its lock, exclusive mode, /proc)
  eeprom         CBUS0 and CBUS1 in I/O mode (read through libftdi; the serial port
                 goes away meanwhile, krvctl waits up to 5 s for it to come back)
  firmware       the unit&apos;s firmware version, asked on the port (--port, else the
                 bridge&apos;s serial device)
  --json   {&quot;checks&quot;:[{&quot;id&quot;,&quot;title&quot;,&quot;verdict&quot;,&quot;detail&quot;,&quot;advice&quot;}],&quot;problems&quot;:N}
           with verdict ok, warning, problem or &quot;not checked&quot;; title, detail
           and advice in the language shown
Exits 1 when any check found a problem, 0 otherwise.
</translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>発生器のどの S レコードファイルよりも大きいファイルです</source>
        <translation>larger than any S-record file of the unit</translation>
    </message>
    <message>
        <source>%1 に書き込めません: %2</source>
        <translation>cannot write %1: %2</translation>
    </message>
    <message>
        <source>firmware pack には S レコードファイルを一つ指定します</source>
        <translation>firmware pack takes one S-record file</translation>
    </message>
    <message>
        <source>firmware pack には -o FILE.cya が必要です</source>
        <translation>firmware pack needs -o FILE.cya</translation>
    </message>
    <message>
        <source>firmware pack には --version (16 進 6 桁) が必要です</source>
        <translation>firmware pack needs --version, six hexadecimal digits</translation>
    </message>
    <message>
        <source>--version は 16 進 6 桁 (020100) で指定します。&quot;%1&quot; ではありません</source>
        <translation>--version takes six hexadecimal digits (020100), not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>%1 を読めません: %2</source>
        <translation>cannot read %1: %2</translation>
    </message>
    <message>
        <source>データレコードがありません</source>
        <translation>no data records</translation>
    </message>
    <message>
        <source>完全なイメージファイルになりません: %1</source>
        <translation>would not make a whole image file: %1</translation>
    </message>
    <message>
        <source>firmware info には FILE.cya を一つ指定します</source>
        <translation>firmware info takes one FILE.cya</translation>
    </message>
    <message>
        <source>firmware info は -o をとりません</source>
        <translation>firmware info takes no -o</translation>
    </message>
    <message>
        <source>firmware unpack には FILE.cya を一つ指定します</source>
        <translation>firmware unpack takes one FILE.cya</translation>
    </message>
    <message>
        <source>firmware unpack には -o IMAGE が必要です</source>
        <translation>firmware unpack needs -o IMAGE</translation>
    </message>
    <message>
        <source>[OK/キャンセル]</source>
        <translation>[OK/Cancel]</translation>
    </message>
    <message>
        <source>[キャンセル: --yes で OK と答えます]</source>
        <translation>[Cancel: --yes answers OK]</translation>
    </message>
    <message>
        <source>firmware update には FILE.cya を一つ指定します</source>
        <translation>firmware update takes one FILE.cya</translation>
    </message>
    <message>
        <source>firmware update は -o をとりません</source>
        <translation>firmware update takes no -o</translation>
    </message>
    <message>
        <source>firmware update は --port ではなく USB ブリッジを通して発生器を操作します</source>
        <translation>firmware update reaches the unit through its USB bridge, not --port</translation>
    </message>
    <message>
        <source>--backup-dir にはフォルダーが必要です</source>
        <translation>--backup-dir needs a folder</translation>
    </message>
    <message>
        <source>--boot-tries は 1 ～ 1000 の数です</source>
        <translation>--boot-tries takes a number from 1 to 1000</translation>
    </message>
    <message>
        <source>firmware には pack、info、unpack、update のいずれかが必要です</source>
        <translation>firmware needs pack, info, unpack or update</translation>
    </message>
    <message>
        <source>-o にはファイル名が必要です</source>
        <translation>-o needs a file name</translation>
    </message>
    <message>
        <source>firmware %1 は %2 をとりません</source>
        <translation>firmware %1 takes no %2</translation>
    </message>
    <message>
        <source>不明な firmware のコマンド &apos;%1&apos;</source>
        <translation>unknown firmware command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>使い方: krvctl firmware pack SREC --version VERSION -o FILE.cya
        krvctl firmware info FILE.cya [--json]
        krvctl firmware unpack FILE.cya -o IMAGE
        krvctl firmware update FILE.cya [--yes] [--backup-dir DIR] [--boot-tries N]

pack は Motorola S レコードファイルからファームウェアのイメージファイル (.cya) を作り
ます: 任意の長さのデータレコード (S1、S2、S3) は 32 ビットアドレスの 16 バイト以下の
データレコードに、終了レコード (S7、S8、S9) は S7 になります。ヘッダーとカウントの
レコード (S0、S5、S6) は除きます。
  --version VERSION   16 進 6 桁、バージョンの 3 バイト (020100)
データレコードのないソースや、完全なイメージファイルにならないソースは
拒否します。
info はファイルのバージョン、種類ごとのレコード数、チェックサムの誤りや形の崩れで
除いたレコード、プログラムイメージ外のデータバイト、埋めるアドレスの範囲、update が
このファイルを受け付けるか (usable yes、または no と理由) を表示します。
  --json   {&quot;version&quot;:&quot;020100&quot;,&quot;records&quot;:N,&quot;types&quot;:{&quot;3&quot;:N,&quot;7&quot;:1},
           &quot;badChecksum&quot;:0,&quot;malformed&quot;:0,&quot;truncated&quot;:0,&quot;bytesOutside&quot;:0,
           &quot;span&quot;:{&quot;first&quot;:&quot;FFFE0000&quot;,&quot;last&quot;:&quot;FFFFFFFF&quot;},
           &quot;usable&quot;:true,&quot;reason&quot;:&quot;&quot;} (空なら span は null)
unpack はファイルが与えるプログラムイメージを書きます: 133120 バイト、フラッシュの窓
0xFFFE0000 ～ 0xFFFFFFFF、続いて 0x00000000 ～ 0x000007FF。ファイルにデータのない
所は 0xFF です。
update は USB ブリッジ上の一台の発生器 (--simulate では仮想の発生器) のファームウェア
を更新します: 発生器の調整値を読んでバックアップファイル SERIAL_R.txt に保存し (発生器
が渡せないときはそのファイルから取り)、発生器に書き込んで照合し、調整値を書き戻して
発生器に保存させます。各段階を進み具合と共に表示し、メッセージは最後にまとめて表示
します (失敗のときは標準エラー出力に。終了ステータス 1)。ファイルは発生器に触れる前に
全体を確認します: 途中で切れたもの、壊れたレコード (チェックサムの誤り、S レコード
でない行)、プログラムイメージ外のデータ、データレコードがないもの、最後のレコードが
終了レコードでないものは 転送ファイルに誤りがあります と次の行の理由で拒否します。
Ctrl-C は書き込みの次の段階 (またはブロック) で取り消します。2 回目の Ctrl-C で
krvctl はすぐに終わります。発生器を消去した後の失敗はバックアップファイルを示します:
更新をもう一度実行してください。
  --yes             問いに OK と答えます (なければ端末で尋ね、端末がなければ
                    キャンセルと答えます)
  --backup-dir DIR  バックアップファイルのフォルダー (既定はドキュメントフォルダーの
                    Holvik/Bremix2)
  --boot-tries N    発生器がビットレート調整に応答しないブートモードへの再起動を、
                    update があきらめるまでに行う回数 (1 ～ 1000、既定は 10)
バックアップは、発生器の全チャンネルのバックアップ対象の全レンジをそれぞれ一度ずつ、
普通の 10 進数で持つときだけ使います。それ以外は拒否します (パソコン内補正
ファイル内容が異常です)。新しいものと内容が異なるバックアップは、その横に
SERIAL_R-YYYYMMDDTHHMMSS.txt として残します (表示します)。途中で切れた更新で消された
発生器から読んだ初期値が、本物の値のバックアップを置き換えることはありません:
本体補正データが初期値です でバックアップを使うか尋ねます。途中で切れた更新は、更新を
もう一度実行すれば直ります。
読めないファイルは ファイルが開けません、空のファイルは 転送ファイルに誤りがあります
を標準エラー出力に表示し、終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl firmware pack SREC --version VERSION -o FILE.cya
       krvctl firmware info FILE.cya [--json]
       krvctl firmware unpack FILE.cya -o IMAGE
       krvctl firmware update FILE.cya [--yes] [--backup-dir DIR] [--boot-tries N]

pack makes a firmware image file (.cya) from a Motorola S-record file: data records of
any length (S1, S2, S3) become data records of at most 16 bytes with 32-bit addresses,
end records (S7, S8, S9) an S7; header and count records (S0, S5, S6) are left out.
  --version VERSION   six hexadecimal digits, the three version bytes (020100)
A source without data records, or one that would not make a whole image file, is
refused.
info prints the file&apos;s version, its records by type, the records refused for a bad
checksum or a malformed line, the data bytes outside the program image, the span
of addresses it fills, and whether update would take the file (usable yes, or no and
the reason).
  --json   {&quot;version&quot;:&quot;020100&quot;,&quot;records&quot;:N,&quot;types&quot;:{&quot;3&quot;:N,&quot;7&quot;:1},
           &quot;badChecksum&quot;:0,&quot;malformed&quot;:0,&quot;truncated&quot;:0,&quot;bytesOutside&quot;:0,
           &quot;span&quot;:{&quot;first&quot;:&quot;FFFE0000&quot;,&quot;last&quot;:&quot;FFFFFFFF&quot;},
           &quot;usable&quot;:true,&quot;reason&quot;:&quot;&quot;} (span null when empty)
unpack writes the program image the file gives: 133120 bytes, the flash window
0xFFFE0000 to 0xFFFFFFFF and then 0x00000000 to 0x000007FF, 0xFF where the file has
no data.
update updates the firmware of the one unit on the USB bridges (with --simulate the
virtual unit&apos;s): it reads the unit&apos;s calibration and saves it to the backup file
SERIAL_R.txt (or takes it from that file when the unit cannot deliver it), programs
and verifies the unit, writes the calibration back and has the unit store it. Every
step is printed with its progress; the messages follow at the end (to standard error
after a failure, which exits 1). The file is checked whole before the unit is
touched: one cut off, with a record that is damaged (wrong checksum, not an S-record),
data outside the program image, no data records or no end record as its last record
is refused with 転送ファイルに誤りがあります and the reason on the next line. Ctrl-C
cancels at the next step (or block) of the programming; a second Ctrl-C ends krvctl
at once. A failure once the unit has been erased names the backup file: run the
update again.
  --yes             answer the questions with OK (without it they are asked on the
                    terminal, or answered with Cancel when there is none)
  --backup-dir DIR  the folder of the backup file (default: the documents folder&apos;s
                    Holvik/Bremix2)
  --boot-tries N    restarts into boot mode whose bit-rate adjustment the unit does
                    not answer before update gives up (1 to 1000, default 10)
A backup is used only when it holds every backed-up range of every channel of the
unit, once each, with plain decimal numbers; any other is refused (パソコン内補正
ファイル内容が異常です). A backup whose contents differ from the new one is kept beside
it as SERIAL_R-YYYYMMDDTHHMMSS.txt (printed). Start values read from a unit wiped by an
update cut short never replace a backup with real values: 本体補正データが初期値です
asks to use the backup instead. Running the update again repairs one cut short.
A file that cannot be read prints ファイルが開けません, an empty one 転送ファイルに誤りが
あります, to standard error and exits 1.
</translation>
    </message>
    <message>
        <source>info は引数をとりません</source>
        <translation>info takes no arguments</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME] info [--json]

発生器にファームウェアのバージョン (VER) と回路数 (CH) を問い合わせ、次のように表示します
  firmware 020000
  circuits 2
  --json   {&quot;firmware&quot;:&quot;020000&quot;,&quot;circuits&quot;:2}
応答がなければ 接続できません。 を標準エラー出力に表示し、終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl [--port NAME] info [--json]

Asks the unit for its firmware version (VER) and its number of circuits (CH) and prints
  firmware 020000
  circuits 2
  --json   {&quot;firmware&quot;:&quot;020000&quot;,&quot;circuits&quot;:2}
When the unit does not answer, prints 接続できません。 to standard error and exits 1.
</translation>
    </message>
    <message>
        <source>停止シグナルを待てません</source>
        <translation>cannot wait for the stop signals</translation>
    </message>
    <message>
        <source>ポートを監視できません: %1</source>
        <translation>cannot watch the ports: %1</translation>
    </message>
    <message>
        <source>udev を待てません</source>
        <translation>cannot wait for udev</translation>
    </message>
    <message>
        <source>ports は引数をとりません</source>
        <translation>ports takes no arguments</translation>
    </message>
    <message>
        <source>使い方: krvctl ports [--json] [--watch] [--port PATH]...

シリアルポートをパネルのポート一覧と同じ順に、1 行に 1 項目の文で表示します:
&quot;(&quot; 名前 &quot;)  &quot; 説明。--port で指定したポートも一覧に加えます。
  --json   {name, description, number, text} の JSON 配列一つ
  --watch  一覧の後、udev が知らせる抜き差しを追います: なくなったポートごとに
           &quot;- &quot; 項目、新しいポートごとに &quot;+ &quot; 項目の 1 行 (--json では配列全体を
           もう一度)。Ctrl-C か SIGTERM まで続けます (終了ステータス 0)。
           udev のイベントを受け取れなければ理由を表示し、終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl ports [--json] [--watch] [--port PATH]...

Lists the serial ports in the order of the panel&apos;s port list, one entry text per line:
&quot;(&quot; name &quot;)  &quot; description. Ports named with --port are added to the list.
  --json   one JSON array of {name, description, number, text}
  --watch  after the list, follow plugging and unplugging as udev announces it: one
           line &quot;- &quot; entry for every port gone and &quot;+ &quot; entry for every port new
           (with --json, the whole array again), until Ctrl-C or SIGTERM (exit 0).
           When udev&apos;s events cannot be received, says why and exits 1.
</translation>
    </message>
    <message>
        <source>発生器のブリッジ (%1) を説明に持つポートがありません。--port で指定してください。シリアルポート:</source>
        <translation>no port describes the unit&apos;s bridge (%1); name one with --port. Serial ports:</translation>
    </message>
    <message>
        <source>発生器のブリッジ (%1) を説明に持つポートが複数あります。--port で一つ指定してください。シリアルポート:</source>
        <translation>several ports describe the unit&apos;s bridge (%1); name one with --port. Serial ports:</translation>
    </message>
    <message>
        <source>serve は引数をとりません</source>
        <translation>serve takes no arguments</translation>
    </message>
    <message>
        <source>--allow は A.B.C.D か A.B.C.D/N で指定します。&quot;%1&quot; ではありません</source>
        <translation>--allow takes A.B.C.D or A.B.C.D/N, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME|SERIAL] serve [--listen ADDR[:PORT]] [--allow CIDR]...

--port には発生器をブリッジのシリアル番号 (KR...) で指定できます: そのときポートは
接続のたびに探し直すので、どのポートに戻っても発生器が見つかります。
発生器のポートを持ち、パネルと同じように接続し、50 ms ごとに状態を問い合わせ、TCP で
SCPI コマンドを 1 行 (&quot;\n&quot;) に 1 コマンドずつ、PyVISA の
TCPIP::HOST::5025::SOCKET リソースと同じく提供します。クライアントは 1 行ずつ交代で
扱います。見失った発生器は応答すれば接続し直します (その間、発生器が必要なコマンドは
-240 で失敗し、出力はオフです)。SIGINT か SIGTERM で PC が動かす出力をオフにして
終わります。接続、拒否、発生器の喪失と発見は標準エラー出力に記録します。
&quot;listening on port N&quot; は標準出力に出ます。
  --listen ADDR[:PORT]  そこで待ち受けます (IPv4。既定は 127.0.0.1:5025。ポート 0: 任意)
  --allow CIDR          このネットワークのクライアントに提供します (A.B.C.D/N か
                        A.B.C.D。繰り返し指定可)。なければ 127.0.0.0/8 だけです
調整、PCレスメモリ、ファームウェアはパネルと krvctl のもので、どのコマンドも届きません。
コマンドの一覧は krvctl(1) にあります。
</source>
        <translation>Usage: krvctl [--port NAME|SERIAL] serve [--listen ADDR[:PORT]] [--allow CIDR]...

--port may name the unit by its bridge&apos;s serial number (KR...): the port is then looked
up again before every connect, so the unit is found whichever port it comes back on.
Owns the unit&apos;s port, connects as the panel does, polls the status every 50 ms and
serves SCPI commands over TCP, one command line per line (&quot;\n&quot;), as PyVISA&apos;s
TCPIP::HOST::5025::SOCKET resource does. Clients take turns, one line each; a lost
unit is connected again when it answers (commands that need it fail with -240
meanwhile, with its outputs off). SIGINT or SIGTERM switches the outputs the PC
drives off and ends it. Connections, refusals and the unit lost and found are logged
to standard error; &quot;listening on port N&quot; goes to standard output.
  --listen ADDR[:PORT]  listen there (IPv4; default 127.0.0.1:5025; port 0: any)
  --allow CIDR          serve clients from this network (A.B.C.D/N or A.B.C.D; may be
                        given again); without it only 127.0.0.0/8 is served
Calibration, standalone memory and firmware stay with the panel and krvctl; no command
reaches them. The commands are listed in krvctl(1).
</translation>
    </message>
    <message>
        <source>settings show には FILE を一つ指定します</source>
        <translation>settings show takes one FILE</translation>
    </message>
    <message>
        <source>settings new には FILE を一つ指定します</source>
        <translation>settings new takes one FILE</translation>
    </message>
    <message>
        <source>settings new には --circuits 1|2|4 が必要です</source>
        <translation>settings new needs --circuits 1|2|4</translation>
    </message>
    <message>
        <source>--circuits は 1、2、4 のいずれかです</source>
        <translation>--circuits must be 1, 2 or 4</translation>
    </message>
    <message>
        <source>settings には show か new が必要です</source>
        <translation>settings needs show or new</translation>
    </message>
    <message>
        <source>settings show は --circuits をとりません</source>
        <translation>settings show takes no --circuits</translation>
    </message>
    <message>
        <source>settings new は --json をとりません</source>
        <translation>settings new takes no --json</translation>
    </message>
    <message>
        <source>不明な settings のコマンド &apos;%1&apos;</source>
        <translation>unknown settings command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>使い方: krvctl settings show FILE [--json]
        krvctl settings new --circuits 1|2|4 FILE

show は設定ファイル (バージョン 100、110、120) を読み解いて表示します。--json では
すべての項目を文書の名前で表示します (間隔は 1/100 秒単位)。拒否されたファイルや
途中で終わるファイルは、パネルのメッセージを標準エラー出力に表示し、ステータス 1 で終了します。
new はその回路数の新しい文書の設定を、ポート名なしで書きます。
</source>
        <translation>Usage: krvctl settings show FILE [--json]
       krvctl settings new --circuits 1|2|4 FILE

show decodes a settings file (versions 100, 110 and 120); --json prints every field with
the document&apos;s names (intervals in hundredths of a second). A file that is refused or
ends early prints the panel&apos;s message to standard error and exits 1.
new writes the settings of a new document for that many circuits, with no port name.
</translation>
    </message>
    <message>
        <source>sim は引数をとりません</source>
        <translation>sim takes no arguments</translation>
    </message>
    <message>
        <source>--standalone は 0 ～ 2 の数字 2 桁の組を二つ (21,10 のように) 指定します</source>
        <translation>--standalone must be two pairs of digits 0 to 2, as in 21,10</translation>
    </message>
    <message>
        <source>--calibration-mode は 0 ～ 65535 の数です</source>
        <translation>--calibration-mode must be a number from 0 to 65535</translation>
    </message>
    <message>
        <source>--wiped-calibration は erased か start です</source>
        <translation>--wiped-calibration must be erased or start</translation>
    </message>
    <message>
        <source>--alarm %1: CH:main:BIT か CH:ext:BIT (CH は 1 ～ %2、BIT は 0 ～ 15) で指定します</source>
        <translation>--alarm %1: expected CH:main:BIT or CH:ext:BIT with CH 1 to %2 and BIT 0 to 15</translation>
    </message>
    <message>
        <source>--seed は整数です</source>
        <translation>--seed must be a whole number</translation>
    </message>
    <message>
        <source>仮想の発生器を始められません: %1</source>
        <translation>cannot start the virtual unit: %1</translation>
    </message>
    <message>
        <source>使い方: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]
                  [--standalone MODES] [--alarm CH:WORD:BIT]... [--calibration-mode N]
                  [--fault SPEC]... [--unit-fault SPEC]... [--bridge-serial TEXT]
                  [--extra-bridge SPEC]... [--bridge-fault SPEC]...
                  [--wiped-calibration erased|start] [--bridge-socket PATH]

新しい疑似端末で仮想の発生器を始め、端末のパスを標準出力の 1 行目に表示し、中断される
(SIGINT か SIGTERM) まで提供します。
  --circuits N     発生器が報告する回路数 (既定は 2)
  --firmware TEXT  発生器が VER の後に送る 6 文字 (既定は 02.000)
  --instant        19200 ボーの通信速度ではなく、すぐに応答します
  --seed N         ランダムな障害の種 (既定は 1)
  --standalone MODES
                   チャンネル 1 と 2 の PCレスモード。MS の応答と同じ形 d1r1,d2r2 で、
                   モードの数字 d (0 無効、1 固定値、2 自動出力) と運転状態 r (0 停止、
                   1 運転中、2 一時停止)。既定は 00,00。例: 21,10
  --alarm CH:WORD:BIT
                   チャンネル CH の状態ビット BIT (0 ～ 15) を最初から立てます。WORD は
                     main  0 過熱、1 スルー中、2 出力のコンプライアンス不足、
                           3 ウォッチドッグ、4 CRC1
                     ext   (外部電源の出力) 0 出力短絡、1 出力異常、
                           2 SPI2、3 CRC2
                   例: --alarm 1:main:0 --alarm 2:ext:3
  --calibration-mode N
                   全レンジの調整モードのワード。10 進または 0x 付きの 16 進
                   (既定は 1: メーカー調整。2: ユーザー調整)
  --wiped-calibration erased|start
                   ブートローダーがフラッシュを消去した後の調整値の読め方: 全ワードが
                   0xFFFF (erased、既定) か初期値 (start: モード 0、ゼロ 0、ゲイン
                   0x8000)
  --fault SPEC     障害を注入します。SPEC はコンマ区切りの
                   NAME[:COUNT][@PROB][=VALUE][#LETTERS] の並びで、NAME は次のいずれか
                     drop       応答を省きます
                     corrupt    応答の 1 バイトを変えて合わなくします (チェックサムの
                                数字、または最初の文字)
                     corrupt=POS[/HH]
                                バイト POS (0 から。* はランダム) を HH (16 進) に、
                                または次の数字か文字に変えます。チェックサムは
                                そのままです
                     forge[=POS[/HH]]
                                同じく変え (POS なしでは内容のランダムな 1 バイト)、
                                枠付きの応答には合うチェックサムを付けます
                     noise      応答の前に関係のない行を送ります
                     delay=MS   応答を MS ミリ秒遅らせます
                     silent     抜かれたように何も応答しません
                     longline   応答の前に行末のない 600 バイトを送ります
                   COUNT は障害を次の COUNT 個の応答に限り、PROB はその確率で各応答に
                   適用し、LETTERS はその文字で始まる応答 (R 状態、VER、CH、MS) に
                   限ります。
                   例: drop:2,noise@0.1,forge=2/37:1#R
  --unit-fault SPEC
                   発生器自身の障害: コンマ区切りの
                     pe=CODE           メモリ消去をすべて NG と CODE (16 進) で拒否
                     pw=CODE           メモリ書き込みを同様にすべて拒否
                     pr=N              メモリ読み出しの応答 N (0 が最初) のチェック
                                       サムを一度だけ壊す
                     silent-after=N    あと N 行の後は何も応答しない
                   とブートローダーの障害 (BLOCK: フラッシュの 256 バイトのブロック
                   0 ～ 511)
                     b1-from=N         ビットレート調整に、ブートモードへの N 回目の
                                       再起動から応答する
                     b8=CODE           書き込み状態を CODE (16 進) で拒否
                     b15-bad=BLOCK     BLOCK の 1 バイトを誤って読み返す
                     b13-silent=BLOCK  BLOCK の書き込みで応答しなくなる
                     b15-silent=BLOCK  BLOCK の読み出しで応答しなくなる
                   例: --unit-fault pe=3A
  --bridge-serial TEXT
                   発生器の模擬 USB ブリッジのシリアル番号 (既定は KR、回路数の数字、
                   A0001。説明は &quot;Holvik KRV FT230X&quot;)
  --extra-bridge SERIAL[:DESCRIPTION]
                   自分の発生器を持つもう一つの模擬ブリッジ (繰り返し指定可)
  --bridge-fault SPEC
                   ブリッジ上の発生器の応答の障害。--fault と同じ形。遅らせた応答は、
                   その時刻の後に発生器が受け取る最初のバイトと共に出ます (ホストが
                   次の応答を待つ間に届きます)。
                   例: --bridge-fault delay=700:1#CRU
  --bridge-socket PATH
                   PATH の Unix ソケットで発生器のブリッジを他の krvctl に貸します:
                   krvctl --sim-bridge PATH COMMAND は自分の模擬ブリッジを通してこの
                   発生器に届きます (一度に一つのプロセス)。発生器はクライアントより
                   長く生き、強制終了されたクライアントの後も残ります
模擬ブリッジは模擬するプロセスの中にあります。--simulate の後に同じオプションを
付ければ、他のどのコマンドにも与えられます (krvctl --simulate bridges)。
</source>
        <translation>Usage: krvctl sim [--circuits 1|2|4] [--firmware TEXT] [--instant] [--seed N]
                  [--standalone MODES] [--alarm CH:WORD:BIT]... [--calibration-mode N]
                  [--fault SPEC]... [--unit-fault SPEC]... [--bridge-serial TEXT]
                  [--extra-bridge SPEC]... [--bridge-fault SPEC]...
                  [--wiped-calibration erased|start] [--bridge-socket PATH]

Starts a virtual unit on a new pseudo-terminal, prints the terminal&apos;s path as the first
line of standard output and serves until interrupted (SIGINT or SIGTERM).
  --circuits N     circuits the unit reports (default 2)
  --firmware TEXT  the six characters the unit sends after VER (default 02.000)
  --instant        answer at once instead of at the wire speed of 19200 baud
  --seed N         seed of the random faults (default 1)
  --standalone MODES
                   standalone modes of channels 1 and 2 as the MS reply gives them:
                   d1r1,d2r2 with the mode digit d (0 disabled, 1 fixed value,
                   2 automatic output) and the run state r (0 stopped, 1 running,
                   2 paused); default 00,00. Example: 21,10
  --alarm CH:WORD:BIT
                   raise status bit BIT (0 to 15) of channel CH from the start; WORD is
                     main  0 over-temperature, 1 slewing, 2 output short of compliance,
                           3 watchdog, 4 CRC1
                     ext   (external-supply output) 0 output short, 1 output fault,
                           2 SPI2, 3 CRC2
                   Example: --alarm 1:main:0 --alarm 2:ext:3
  --calibration-mode N
                   calibration mode word of every range, decimal or 0x hexadecimal
                   (default 1: maker calibration; 2: user calibration)
  --wiped-calibration erased|start
                   what the calibration reads as once the boot loader has erased the
                   flash: every word 0xFFFF (erased, the default) or the start values
                   (start: mode 0, zeros 0, gains 0x8000)
  --fault SPEC     inject faults; SPEC is a comma-separated list of
                   NAME[:COUNT][@PROB][=VALUE][#LETTERS] with NAME one of
                     drop       leave the reply out
                     corrupt    change one byte of the reply so that it no longer
                                matches (a checksum digit, or the first letter)
                     corrupt=POS[/HH]
                                change byte POS (from 0; * for a random one) into HH
                                (hexadecimal), or into the next digit or letter;
                                the checksum stays as it was
                     forge[=POS[/HH]]
                                the same (a random byte of the content without POS),
                                then give a framed reply the checksum that fits
                     noise      send an unrelated line before the reply
                     delay=MS   hold the reply back MS milliseconds
                     silent     answer nothing, as if unplugged
                     longline   send 600 bytes without a line end before the reply
                   COUNT limits a fault to the next COUNT replies, PROB applies it to
                   each reply with that probability, LETTERS to the replies whose
                   letters begin so (R status, VER, CH, MS).
                   Example: drop:2,noise@0.1,forge=2/37:1#R
  --unit-fault SPEC
                   faults of the unit&apos;s own: a comma-separated list of
                     pe=CODE           refuse every memory erase with NG and CODE (hex)
                     pw=CODE           refuse every memory write likewise
                     pr=N              damage the checksum of memory read reply N
                                       (0: the first), once
                     silent-after=N    answer nothing after N more lines
                   and of its boot loader (BLOCK: 256-byte block 0 to 511 of the flash)
                     b1-from=N         answer the bit-rate adjustment only from the
                                       Nth restart into boot mode on
                     b8=CODE           refuse the programming state with CODE (hex)
                     b15-bad=BLOCK     one byte of BLOCK reads back wrong
                     b13-silent=BLOCK  fall silent at the programming of BLOCK
                     b15-silent=BLOCK  fall silent at the reading of BLOCK
                   Example: --unit-fault pe=3A
  --bridge-serial TEXT
                   serial number of the unit&apos;s simulated USB bridge (default KR, the
                   circuit digit, A0001; its description is &quot;Holvik KRV FT230X&quot;)
  --extra-bridge SERIAL[:DESCRIPTION]
                   one more simulated bridge, with a unit of its own (repeatable)
  --bridge-fault SPEC
                   faults of the unit&apos;s replies on its bridge, as --fault; a delayed
                   reply goes out with the first byte the unit receives after its time
                   (it then arrives while the host waits for its next answer).
                   Example: --bridge-fault delay=700:1#CRU
  --bridge-socket PATH
                   lend the unit&apos;s bridge to other krvctl processes over a Unix socket
                   at PATH: krvctl --sim-bridge PATH COMMAND reaches this unit through
                   a simulated bridge of its own (one process at a time), so the unit
                   outlives its clients, also one that is killed
The simulated bridges live in the simulating process; the same options after
--simulate give them to any other command (krvctl --simulate bridges).
</translation>
    </message>
    <message>
        <source>--ch%1 は off、fixed、auto のいずれかです</source>
        <translation>--ch%1 must be off, fixed or auto</translation>
    </message>
    <message>
        <source>--fixed%1 は数値です</source>
        <translation>--fixed%1 must be a number</translation>
    </message>
    <message>
        <source>--fixed%1 %2 はチャンネル %1 のレンジ %3 の範囲外です</source>
        <translation>--fixed%1 %2 is outside channel %1&apos;s range %3</translation>
    </message>
    <message>
        <source>standalone image には SETTINGS ファイルを一つ指定します</source>
        <translation>standalone image takes one SETTINGS file</translation>
    </message>
    <message>
        <source>standalone image には -o IMAGE が必要です</source>
        <translation>standalone image needs -o IMAGE</translation>
    </message>
    <message>
        <source>%1 には SETTINGS ファイルを一つ指定します</source>
        <translation>%1 takes one SETTINGS file</translation>
    </message>
    <message>
        <source>%1 は -o をとりません</source>
        <translation>%1 takes no -o</translation>
    </message>
    <message>
        <source>standalone read は SETTINGS ファイルをとりません</source>
        <translation>standalone read takes no SETTINGS file</translation>
    </message>
    <message>
        <source>standalone read には -o IMAGE が必要です</source>
        <translation>standalone read needs -o IMAGE</translation>
    </message>
    <message>
        <source>standalone には image、write、verify、read のいずれかが必要です</source>
        <translation>standalone needs image, write, verify or read</translation>
    </message>
    <message>
        <source>standalone %1 は %2 をとりません</source>
        <translation>standalone %1 takes no %2</translation>
    </message>
    <message>
        <source>不明な standalone のコマンド &apos;%1&apos;</source>
        <translation>unknown standalone command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>使い方: krvctl standalone image SETTINGS [IMAGE OPTIONS] -o IMAGE
        krvctl [--port NAME] standalone write SETTINGS [IMAGE OPTIONS]
        krvctl [--port NAME] standalone verify SETTINGS [IMAGE OPTIONS]
        krvctl [--port NAME] standalone read -o IMAGE

PCレス設定は、発生器が PC なしでチャンネル 1 と 2 を動かすための 2296 バイトの
メモリイメージで、設定ファイルのチャンネル 1 と 2 から作ります。
image はそのイメージをファイルに書きます (発生器は不要)。write は発生器のメモリを
消去し、イメージを転送して書き込み、読み返して比較し、発生器に使わせます。その後
発生器の再起動が必要です。verify は発生器のメモリを読み返してイメージと比較します。
どちらも各段階を進み具合と共に表示し、最後に結果 (書込み正常終了、再起動します、
照合結果：一致) を表示します。失敗するとそのメッセージを標準エラー出力に表示し、
終了ステータス 1 で終わります。USB ブリッジで発生器を再起動できなかった書き込みや、
再起動から 5 秒以内にポートが戻らなかった書き込みも、発生器への書き込みは済んで
います: 理由を標準エラー出力に表示し、終了ステータス 3 で終わります。発生器の拒否
(NG) は常に失敗です。コードが読めない拒否は NG（エラーコード読取不能） となります。
read は発生器のイメージをファイルに書きます。
イメージのオプション:
  --ch1 off|fixed|auto, --ch2 ...   PCレスモード (既定はファイルのもの)
  --fixed1 V, --fixed2 V            固定出力の値。チャンネルの単位 (変換式がオンの
                                    間は変換後の単位) で、レンジ内。既定はレンジの
                                    休止値 (0、4_20mA は 4、1_5V は 1。変換式の
                                    始点)
終了ステータス: 0 成功、1 発生器の失敗、2 使い方の誤り (固定値がチャンネルのレンジ外
のときも)、3 書き込んだが再起動されなかった。
</source>
        <translation>Usage: krvctl standalone image SETTINGS [IMAGE OPTIONS] -o IMAGE
       krvctl [--port NAME] standalone write SETTINGS [IMAGE OPTIONS]
       krvctl [--port NAME] standalone verify SETTINGS [IMAGE OPTIONS]
       krvctl [--port NAME] standalone read -o IMAGE

The standalone settings are the 2296-byte memory image by which the unit runs
channels 1 and 2 without the PC, built from channels 1 and 2 of a settings file.
image writes that image to a file (no unit needed). write erases the unit&apos;s memory,
transfers and writes the image, reads it back, compares it and has the unit take it
into use; then the unit must restart. verify reads the unit&apos;s memory back and compares
it with the image. Both print every step with its progress, then their result
(書込み正常終了、再起動します, 照合結果：一致); a failure prints its message to
standard error and exits 1. A write whose unit could not be restarted through its USB
bridge, or whose port did not come back within 5 s of the restart, has still written
the unit: it prints why on standard error and exits 3. A refusal of the unit (NG) is
always a failure; one without a readable code says NG（エラーコード読取不能）.
read writes the unit&apos;s image to a file.
Image options:
  --ch1 off|fixed|auto, --ch2 ...   standalone mode (default: the file&apos;s)
  --fixed1 V, --fixed2 V            fixed output value, in the channel&apos;s units
                                    (converted units while its formula is on), within
                                    its range; default: the range&apos;s resting value
                                    (0, 4 for 4_20mA, 1 for 1_5V; the formula&apos;s start)
Exit status: 0 success, 1 the unit failed, 2 usage error (also a fixed value outside
the channel&apos;s range), 3 written but not restarted.
</translation>
    </message>
    <message>
        <source>接続が解除されました。</source>
        <translation>The connection was lost.</translation>
    </message>
    <message>
        <source>変換式</source>
        <translation>conversion formula</translation>
    </message>
    <message>
        <source>%1 ～ %2 (%3)</source>
        <translation>%1 to %2 (%3)</translation>
    </message>
    <message>
        <source>status は引数をとりません</source>
        <translation>status takes no arguments</translation>
    </message>
    <message>
        <source>--csv にはファイル名が必要です</source>
        <translation>--csv needs a file name</translation>
    </message>
    <message>
        <source>set にはチャンネル番号 (1 ～ 4) を一つ指定します</source>
        <translation>set takes one channel number, 1 to 4</translation>
    </message>
    <message>
        <source>チャンネルは 1、2、3、4 のいずれかです</source>
        <translation>the channel must be 1, 2, 3 or 4</translation>
    </message>
    <message>
        <source>不明なレンジ &apos;%1&apos;</source>
        <translation>unknown range &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--value は数値です</source>
        <translation>--value must be a number</translation>
    </message>
    <message>
        <source>--on と --off は同時に指定できません</source>
        <translation>--on and --off together</translation>
    </message>
    <message>
        <source>ＯＮ状態では切替できません。</source>
        <translation>Cannot switch while the output is ON.</translation>
    </message>
    <message>
        <source>--value %1 は %2 の範囲外です。%3 を設定します</source>
        <translation>--value %1 is outside %2; %3 is set</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME | --connect HOST[:PORT]] status [--json] [--watch] [--csv FILE]

パネルと同じように接続し (ファームウェアのバージョンが 020000 以上か、回路数、PCレス
モード、全チャンネルの状態)、出力を変えずに 1 チャンネル 1 行で表示します: レンジの
キー、出力コード、レンジの単位の値、on/off、アラームの文 (なければ -)、調整モード
(0 なし、1 メーカー、2 ユーザー)、PCレスモードと運転状態。
  --json    一つの JSON オブジェクト {firmware, circuits, channels: [...]}。--watch
            と併せると、続けて変わったチャンネルごとに 1 行 1 オブジェクト
            {channel, range, ...}
  --watch   中断されるまで 50 ms ごとにチャンネルを順に問い合わせ続け、変わった
            チャンネルを表示します。5 秒応答がなければ終了ステータス 1 で終わります
  --csv FILE チャンネルをパネルの出力ログと同じく FILE にも書きます (UTF-8 の CSV:
            time,channel,range,value,...,event。変化ごとに 1 行)。既存の出力ログには
            追記し、上書きしません。出力ログでないファイルは拒否します (終了ステータス 1)。
            書き込みに失敗するとログは止まり、監視は続き、終了ステータスは 1 です
--connect を付けると、発生器を持つ krvctl serve から状態を得ます (監視中は全チャンネル
を 50 ms ごとに問い合わせます)。サーバーが発生器を見失っている間も監視は続き、サーバー
が応答しなくなると終了ステータス 1 で終わります。
途中で失敗するとパネルのメッセージ (接続できません。、状態確認に失敗しました。 ...)
を標準エラー出力に表示し、終了ステータス 1 で終わります。
</source>
        <translation>Usage: krvctl [--port NAME | --connect HOST[:PORT]] status [--json] [--watch] [--csv FILE]

Connects as the panel does (firmware version at least 020000, circuit count, standalone
modes, status of every channel) without changing any output, then prints one line per
channel: range key, output code, value in range units, on/off, alarm text (- for none),
calibration mode (0 none, 1 maker, 2 user), standalone mode and run state.
  --json    one JSON object {firmware, circuits, channels: [...]}; with --watch, then
            one object {channel, range, ...} per line for every channel that changes
  --watch   keep polling every 50 ms, channel after channel, and print a channel whenever
            it changes, until interrupted; a unit silent for 5 s ends it with exit 1
  --csv FILE also write the channels to FILE as the panel&apos;s output log does (UTF-8
            CSV: time,channel,range,value,...,event; one row per change). An existing
            output log is continued, never overwritten; a file that is not one is
            refused (exit 1). If writing fails, the log stops, watching goes on and
            the exit status is 1
With --connect the status comes from the krvctl serve that owns the unit (asked for
every channel every 50 ms while watching); watching goes on while the server has lost
the unit, and ends with exit 1 when the server stops answering.
A failed step prints the panel&apos;s message (接続できません。, 状態確認に失敗しました。 ...)
to standard error and exits 1.
</translation>
    </message>
    <message>
        <source>使い方: krvctl [--port NAME] set CH [--range KEY] [--value V] [--on | --off]

パネルと同じように接続し、チャンネル CH (1 ～ 4) のレンジ、出力コード、オン／オフを
発生器から読み、オプションを適用して、そのチャンネルの出力フレームだけを送ります。
その後、発生器が報告するチャンネルの状態を表示します。
  --range KEY  0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA。
               値はレンジの休止値になります。出力がオンの間は拒否します
               (ＯＮ状態では切替できません。)
  --value V    レンジの単位で指定します。パネルと同じくレンジ内に収め、レンジの桁数
               に切り詰めます (レンジ外の値は標準エラー出力で知らせます)
  --on, --off  出力を切り替えます
</source>
        <translation>Usage: krvctl [--port NAME] set CH [--range KEY] [--value V] [--on | --off]

Connects as the panel does, takes channel CH&apos;s (1 to 4) range, output code and on/off
state from the unit, applies the options and sends that channel&apos;s output frame only;
then prints the channel as the unit reports it.
  --range KEY  0_5V 0_10V -5_5V -10_10V 4_20mA 0_20mA 0_24mA 1_5V E4_20mA E0_24mA;
               the value goes to the range&apos;s resting value; refused while the output
               is on (ＯＮ状態では切替できません。)
  --value V    in range units; clamped into the range and cut to its decimals, as the
               panel does (a value outside the range is reported on standard error)
  --on, --off  switch the output
</translation>
    </message>
    <message>
        <source>--connect は HOST[:PORT] (IPv4 アドレスか localhost) で指定します。&quot;%1&quot; ではありません</source>
        <translation>--connect takes HOST[:PORT] (an IPv4 address or localhost), not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>%1 の krvctl serve に届きません: %2</source>
        <translation>cannot reach krvctl serve at %1: %2</translation>
    </message>
    <message>
        <source>%1 の krvctl serve が応答しません</source>
        <translation>krvctl serve at %1 does not answer</translation>
    </message>
    <message>
        <source>%1 は KRV 発生器の krvctl serve ではありません: %2</source>
        <translation>%1 is no krvctl serve of a KRV unit: %2</translation>
    </message>
    <message>
        <source>krvctl serve が発生器を取り戻しました</source>
        <translation>krvctl serve has the unit again</translation>
    </message>
    <message>
        <source>krvctl serve が発生器を見失いました</source>
        <translation>krvctl serve lost the unit</translation>
    </message>
    <message>
        <source>--bridge-serial にはシリアル番号が必要です</source>
        <translation>--bridge-serial needs a serial number</translation>
    </message>
    <message>
        <source>--extra-bridge %1: SERIAL か SERIAL:DESCRIPTION で指定します</source>
        <translation>--extra-bridge %1: expected SERIAL or SERIAL:DESCRIPTION</translation>
    </message>
    <message>
        <source>--sim-bridge は別のプロセスの仮想の発生器に届くもので、--simulate のものには届きません</source>
        <translation>--sim-bridge reaches another process&apos;s virtual unit, not --simulate&apos;s</translation>
    </message>
    <message>
        <source>--bridge-serial、--extra-bridge、--unit-fault、--bridge-fault は --simulate の発生器を指定するものです</source>
        <translation>--bridge-serial, --extra-bridge, --unit-fault and --bridge-fault describe --simulate&apos;s unit</translation>
    </message>
    <message>
        <source>仮想の発生器のブリッジに届きません: %1</source>
        <translation>cannot reach the virtual unit&apos;s bridge: %1</translation>
    </message>
    <message>
        <source>--simulate の回路数は 1、2、4 のいずれかです。&quot;%1&quot; ではありません</source>
        <translation>--simulate takes 1, 2 or 4 circuits, not &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--lang は en か ja です。&apos;%1&apos; ではありません</source>
        <translation>--lang takes en or ja, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>不明なコマンド &apos;%1&apos;</source>
        <translation>unknown command &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--connect は status だけのもので、--port や --simulate とは併せられません</source>
        <translation>--connect is for status alone, without --port or --simulate</translation>
    </message>
    <message>
        <source>sim は自分の発生器を提供します。--simulate は他のコマンドのものです</source>
        <translation>sim serves a unit of its own; --simulate is for the other commands</translation>
    </message>
    <message>
        <source>トレースを書けません: %1</source>
        <translation>cannot write the trace: %1</translation>
    </message>
</context>
</TS>
