#pragma once

// String ids of messages and of the texts the views load: file filter, status line, page and
// list captions, button texts, Modbus error texts. Parameter names and choices are in
// ParameterNameIds.h, dialog control captions in CaptionIds.h.

// Open/save dialog filter: pairs of description and pattern separated by "|", ended by "||".
inline constexpr int kStrFileFilter = 100;

// Messages raised or shown by the program. Texts with "%1", "%1!d!" take FormatInserts, texts
// with "%s", "%d" take StrPrintf.
inline constexpr int kMsgOutOfRange = 205; // %1 name, %2 low limit, %3 high limit
inline constexpr int kMsgCommunicationError = 206;
inline constexpr int kMsgLoadFileFailed = 207;
inline constexpr int kMsgFilterTimeConstant = 212;
inline constexpr int kMsgFileModelMismatch = 213;
inline constexpr int kMsgInvalidCustomTable = 215; // held for custom tables; no check raises it
inline constexpr int kMsgStatusOffline = 216;
inline constexpr int kMsgStatusSearching = 217;
inline constexpr int kMsgStatusUploading = 218;
inline constexpr int kMsgStatusDownloading = 219;
inline constexpr int kMsgCompareOtherModel = 220;
inline constexpr int kMsgDownloadOtherModel = 221;
inline constexpr int kMsgInitializeConfirm = 222;
inline constexpr int kMsgInitializeDone = 223;
inline constexpr int kMsgCustomTablePoints = 225; // held for custom tables; no check raises it
inline constexpr int kMsgCustomTableOrder = 226;  // held for custom tables; no check raises it
inline constexpr int kMsgTagTooLong = 227;
inline constexpr int kMsgNotNumeric = 228;
inline constexpr int kMsgXyOrder = 231; // %d index i, %d index i - 1
inline constexpr int kMsgResponsePropertyStandardOnly = 232;
inline constexpr int kMsgPortOpenFailed = 305; // %s port display name
inline constexpr int kMsgPortSettingsFailed = 306;

// Table files: XY table 30000..30003, temperature table 30300..30306.
inline constexpr int kMsgXyFileOpen = 30000;
inline constexpr int kMsgXyFileWrite = 30001;
inline constexpr int kMsgXyFileStructure = 30002;
inline constexpr int kMsgXyFileTooMany = 30003;
inline constexpr int kMsgCompareAllMatch = 30100;
inline constexpr int kMsgCompareMismatches = 30101; // %1!d! number of differing parameters
inline constexpr int kMsgTempFileOpen = 30300;
inline constexpr int kMsgTempFileWrite = 30301;
inline constexpr int kMsgTempFileStructure = 30302;
inline constexpr int kMsgTempFileTooMany = 30303;
inline constexpr int kMsgTempFileStart = 30304;
inline constexpr int kMsgTempFileStep = 30305;
inline constexpr int kMsgTempFileOrder = 30306; // %d index of the first offending value

// Tab texts of the two panes.
inline constexpr int kStrPageBasic = 10500;
inline constexpr int kStrPageOption = 10501;
inline constexpr int kStrPageLinearizer = 10502;
inline constexpr int kStrPageDeviceInfo = 10503;
inline constexpr int kStrPageCalib = 10504;
inline constexpr int kStrPageAdjust = 10505;
inline constexpr int kStrPageLoopTest = 10506;

// Modbus client: reason texts and the composed message.
inline constexpr int kStrModbusTimeout = 11011;
inline constexpr int kStrModbusInvalidResponse = 11012;
inline constexpr int kStrModbusCrcError = 11013;
inline constexpr int kStrModbusException = 11014;     // %1!d! exception code
inline constexpr int kMsgModbusCommandFailed = 11015; // %1!s! %2!d! %3!d! %4!s!
inline constexpr int kMsgModbusTcpError = 11018;      // %1!s! system description
inline constexpr int kStrModbusInvalidTransaction = 11022;
// An answer that does not belong to the request: another slave or unit, function code, byte
// count, echoed address or count, or TCP protocol id or length.
inline constexpr int kStrModbusUnexpectedResponse = 11023;

// Device safety.
inline constexpr int kMsgModeNotRestored = 42000; // %1!d! the mode that should be back
inline constexpr int kMsgCancelled = 42001;
inline constexpr int kMsgDownloadCancelled = 42002;
inline constexpr int kMsgDeviceBusyWaiting = 42003; // %1!s! device
inline constexpr int kMsgDeviceBusyGaveUp = 42004;  // %1!s! device, %2!d! seconds
inline constexpr int kMsgDeviceLockFailed = 42005;  // %1!s! device, %2!s! reason
inline constexpr int kMsgLeaveModeQuestion = 42010; // %1!s! kStrModeFixedOutput or ...Calib
inline constexpr int kStrModeFixedOutput = 42011;
inline constexpr int kStrModeCalibration = 42012;
inline constexpr int kMsgReturnedToNormal = 42013;
inline constexpr int kMsgMayStillBeInMode = 42014; // %1!s! the mode's text
inline constexpr int kMsgUnsavedChanges = 42020;
inline constexpr int kMsgGraphNoAnswer = 42021;
inline constexpr int kMsgNoPortChosen = 42040;
inline constexpr int kMsgUserGuideMissing = 42041;    // %1!s! the path looked at
inline constexpr int kStrPortAbsent = 42042;          // %1!s! the stored port
inline constexpr int kMsgHistoryNotWritten = 42043;   // %1!s! the reason
inline constexpr int kMsgValuesIgnored = 42030;       // %1!s! file, %2!s! keys
inline constexpr int kMsgTableLineUnreadable = 42031; // %1!s! file, %2!d! line
inline constexpr int kMsgTableLineOutOfRange = 42032; // %1!s! file, %2!d! line
inline constexpr int kMsgReversedCapture = 42015;     // %1!s! zero, %2!s! full (fixed-4 texts)

// List column headers.
inline constexpr int kStrListParameter = 12500;
inline constexpr int kStrListValue = 12501;
inline constexpr int kStrListFileConfiguration = 12502;
inline constexpr int kStrListDeviceConfiguration = 12503;
inline constexpr int kStrListGroup = 12504;
inline constexpr int kStrListUnit = 12505;
inline constexpr int kStrListParameterName = 12506;

// Texts the main window sets at run time.
inline constexpr int kStrButtonConnect = 13000;
inline constexpr int kStrButtonDisconnect = 13001;
inline constexpr int kStrIndicatorOffline = 13100;
inline constexpr int kStrIndicatorOnline = 13101;
