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
