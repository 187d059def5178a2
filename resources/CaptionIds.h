#pragma once

// String ids of dialog and control captions (40000 to 49999), one block of 100 per dialog.
// Captions shared by several dialogs sit in the common block. The factory calibration dialogs
// (40900, 41000) are Japanese in every language: their English texts are the Japanese ones.

// Common captions and application texts.
inline constexpr int kCapAppTitle = 40000; // window title; " Version x.y" follows
inline constexpr int kCapVersion = 40001;
inline constexpr int kCapErrorTitle = 40002; // title of error message boxes
inline constexpr int kCapOk = 40003;
inline constexpr int kCapCancel = 40004;
inline constexpr int kCapClose = 40005;
inline constexpr int kCapSet = 40006;      // calibration page and loop test rows
inline constexpr int kCapChannel1 = 40007; // "1" radio buttons and row labels
inline constexpr int kCapChannel2 = 40008; // "2"
inline constexpr int kCapOpenFile = 40009; // main window 1042, table dialogs 1029
inline constexpr int kCapSaveFile = 40010; // main window 1043, table dialogs 1030
inline constexpr int kCapNoDevice = 40011;
inline constexpr int kCapSaveCsv = 40012;
inline constexpr int kCapLanguageLoadFailed = 40013; // shown when the module cannot be loaded
inline constexpr int kCapLanguageEnglish = 40014;    // language 0 in the Preferences list
inline constexpr int kCapLanguageJapanese = 40015;   // language 1
inline constexpr int kCapGraphDocument = 40016;      // print job name of the trend graph
inline constexpr int kCapPrintFailed = 40017;        // the printer could not be started

// Main window (template 102).
inline constexpr int kCapDeviceConfiguration = 40100; // group box 1069
inline constexpr int kCapConnect = 40101;             // 1048 (run-time text: 13000/13001)
inline constexpr int kCapPreferences = 40102;         // 1047
inline constexpr int kCapUnlock = 40103;              // 1050
inline constexpr int kCapUpload = 40104;              // 1045
inline constexpr int kCapDownload = 40105;            // 1046
inline constexpr int kCapCompare = 40106;             // 1044
inline constexpr int kCapTrendGraph = 40107;          // 1054
inline constexpr int kCapInitialize = 40108;          // 1053
inline constexpr int kCapInputCalib = 40109;          // 1049
inline constexpr int kCapOutputCalib = 40110;         // 1052
inline constexpr int kCapFileConfiguration = 40111;   // group box 1070
inline constexpr int kCapModel = 40112;               // 1071
inline constexpr int kCapSelect = 40113;              // 1061

// Preferences (template 158).
inline constexpr int kCapPreferencesTitle = 40200;
inline constexpr int kCapCommunication = 40201;
inline constexpr int kCapComPort = 40202; // label of combo box 1057
inline constexpr int kCapPort = 40203;
inline constexpr int kCapTemperatureUnit = 40204;
inline constexpr int kCapCelsius = 40205;         // 1040
inline constexpr int kCapFahrenheit = 40206;      // 1041
inline constexpr int kCapKelvin = 40207;          // 1042
inline constexpr int kCapDisplayLanguage = 40208; // label of combo box 1058
inline constexpr int kCapLanguage = 40209;
inline constexpr int kCapShowModbusTrace = 40210;

// Fine adjustment page (template 130).
inline constexpr int kCapInputFineAdjustment = 40300;
inline constexpr int kCapFineZeroAdjustment = 40301;
inline constexpr int kCapFineSpanAdjustment = 40302;
inline constexpr int kCapReset = 40303; // 1039, 1044
inline constexpr int kCapOutputFineAdjustment = 40304;

// Calibration page (template 131).
inline constexpr int kCapInputCalibration = 40400;
inline constexpr int kCapStartCalib = 40401; // 1018, 1023
inline constexpr int kCapZeroCalib = 40402;  // 1019, 1024
inline constexpr int kCapFullCalib = 40403;  // 1020, 1025
inline constexpr int kCapOutputCalibration = 40404;

// Loop test page (template 139).
inline constexpr int kCapFixedOut = 40500;  // 1065
inline constexpr int kCapNormalOut = 40501; // 1064
inline constexpr int kCapLoopTestOutput = 40502;
inline constexpr int kCapOn = 40503;
inline constexpr int kCapOff = 40504;

// Trend graph page (template 140).
inline constexpr int kCapStart = 40600; // 1039
inline constexpr int kCapStop = 40601;  // 1040
inline constexpr int kCapPrint = 40602; // 1042

// Compare results (template 134).
inline constexpr int kCapCompareResults = 40700;

// Table dialogs (templates 141, 142).
inline constexpr int kCapLinearizeTable = 40800;

// Factory input calibration (template 137); texts are Japanese in every language.
inline constexpr int kCapFactoryInputTitle = 40900;    // "入力調整"
inline constexpr int kCapFactoryInputType = 40901;     // label of type combo box 1042
inline constexpr int kCapFactoryInputSelector = 40902; // label of selector 1051 (hidden)
inline constexpr int kCapFactoryZeroRow = 40903;       // "0%"
inline constexpr int kCapFactoryFullRow = 40904;       // "100%"
inline constexpr int kCapFactoryAdCount = 40905;
inline constexpr int kCapFactoryMeasured = 40906;
inline constexpr int kCapFactoryReference = 40907; // caption of the reference row
inline constexpr int kCapFactoryRefVoltage = 40908;
inline constexpr int kCapFactoryRefResistance = 40909;
inline constexpr int kCapFactorySet = 40910;   // "設定"
inline constexpr int kCapFactoryClose = 40911; // "閉じる"
inline constexpr int kCapFactoryGain = 40912;  // "ゲイン%d倍", %d = 1, 2, 4, ... 64
inline constexpr int kCapFactoryUnitMillivolt = 40913;
inline constexpr int kCapFactoryUnitOhm = 40914;

// Factory output calibration (template 138); texts are Japanese in every language. Row labels,
// "設定", "閉じる" and the measured-value header come from the input block above.
inline constexpr int kCapFactoryOutputTitle = 41000; // "出力調整"
inline constexpr int kCapFactoryOutput1 = 41001;     // selector 1063 entry 0
inline constexpr int kCapFactoryOutput2 = 41002;     // selector 1063 entry 1
inline constexpr int kCapFactoryOutputType = 41003;  // label of type combo box 1047
inline constexpr int kCapFactoryStartAdjust = 41004; // "調整開始"
inline constexpr int kCapFactoryDaCount = 41005;
inline constexpr int kCapFactoryHalfRow = 41006;  // "50%" (hidden row)
inline constexpr int kCapFactoryHalfNote = 41007; // note of the hidden 50 % row
inline constexpr int kCapFactoryOutputSelector = 41008;

inline constexpr int kCapRecentFiles = 41100;
inline constexpr int kCapNoRecentFiles = 41101;
inline constexpr int kCapUserGuide = 41102;
inline constexpr int kCapSave = 41103;
inline constexpr int kCapClear = 41104;
inline constexpr int kCapCommissioningSheet = 41105;
inline constexpr int kCapPrinted = 41106;
inline constexpr int kCapRecorded = 41107;
inline constexpr int kCapUnit = 41108;
inline constexpr int kCapFile = 41109;
inline constexpr int kCapDevice = 41110;
inline constexpr int kCapParameter = 41111;
inline constexpr int kCapValue = 41112;

inline constexpr int kCaptionIdFirst = 40000;
inline constexpr int kCaptionIdLast = 49999;
inline constexpr int kFactoryCaptionFirst = 40900;
inline constexpr int kFactoryCaptionLast = 41099;
