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
        <translation>                            Maker                 User</translation>
    </message>
    <message>
        <source>チャネル %1</source>
        <translation>Channel %1</translation>
    </message>
    <message>
        <source>通信エラーが発生しました</source>
        <translation>A communication error occurred</translation>
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
        <translation>Scal.</translation>
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
</context>
</TS>
