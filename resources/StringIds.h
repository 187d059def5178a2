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

// The device history, its window and calibration certificates.
inline constexpr int kStrCertTitle = 14000;
inline constexpr int kStrCertModel = 14001;
inline constexpr int kStrCertSerial = 14002;
inline constexpr int kStrCertTag = 14003;
inline constexpr int kStrCertFirmware = 14004;
inline constexpr int kStrCertDate = 14005;
inline constexpr int kStrCertTechnician = 14006;
inline constexpr int kStrCertAsFound = 14007;
inline constexpr int kStrCertAsLeft = 14008;
inline constexpr int kStrCertReference = 14009;
inline constexpr int kStrCertReading = 14010;
inline constexpr int kStrCertError = 14011;
inline constexpr int kStrCertTolerance = 14012;
inline constexpr int kStrCertResult = 14013;
inline constexpr int kStrCertPass = 14014;
inline constexpr int kStrCertFail = 14015;
inline constexpr int kStrCertOverall = 14016;
inline constexpr int kStrCertSpan = 14017;
inline constexpr int kStrCertRecord = 14018;
inline constexpr int kStrCertSignature = 14019;
inline constexpr int kStrCertNoPoints = 14020;
inline constexpr int kStrCheckTitle = 14030;
inline constexpr int kStrCheckStepFound = 14031;
inline constexpr int kStrCheckStepAdjust = 14032;
inline constexpr int kStrCheckStepLeft = 14033;
inline constexpr int kStrCheckTakeReading = 14034;
inline constexpr int kStrCheckAsLeft = 14035;
inline constexpr int kStrCheckFinish = 14036;
inline constexpr int kStrCheckTolerance = 14037;
inline constexpr int kMsgCheckNeedsTechnician = 14039;
inline constexpr int kMsgCheckNoReading = 14040;
inline constexpr int kMsgCheckPointsMissing = 14041;
inline constexpr int kMsgCertificateSaved = 14042;
inline constexpr int kMsgCertificateNotSaved = 14043;
inline constexpr int kMsgCheckDiscard = 14044;
inline constexpr int kStrCheckAddPoint = 14045;
inline constexpr int kStrCheckRemovePoint = 14046;
inline constexpr int kStrCheckButton = 14047;
inline constexpr int kStrPdfFilter = 14048;
inline constexpr int kStrHistoryTitle = 14060;
inline constexpr int kStrHistoryTime = 14061;
inline constexpr int kStrHistoryOperation = 14062;
inline constexpr int kStrHistoryOutcome = 14063;
inline constexpr int kStrHistoryUser = 14064;
inline constexpr int kStrHistoryProgram = 14065;
inline constexpr int kStrHistoryChanged = 14066;
inline constexpr int kStrHistoryOpen = 14068;
inline constexpr int kStrHistoryCertificate = 14069;
inline constexpr int kMsgHistoryEmpty = 14070;
inline constexpr int kMsgHistoryUnreadable = 14071;
inline constexpr int kMsgHistoryNoSet = 14072;
inline constexpr int kMsgHistorySelectTwo = 14073;
inline constexpr int kStrHistoryButton = 14074;
inline constexpr int kMsgHistoryNoDevice = 14075;
inline constexpr int kStrHistoryBefore = 14076;
inline constexpr int kStrHistoryAfter = 14077;
inline constexpr int kCapTechnician = 14079;
inline constexpr int kMsgHistoryOtherModel = 14081;
inline constexpr int kStrOpUpload = 14100;
inline constexpr int kStrOpDownload = 14101;
inline constexpr int kStrOpCompare = 14102;
inline constexpr int kStrOpWrite = 14103;
inline constexpr int kStrOpAdjust = 14104;
inline constexpr int kStrOpInputCalibration = 14105;
inline constexpr int kStrOpOutputCalibration = 14106;
inline constexpr int kStrOpLoopFixed = 14107;
inline constexpr int kStrOpLoopNormal = 14108;
inline constexpr int kStrOpFactoryInput = 14109;
inline constexpr int kStrOpFactoryOutput = 14110;
inline constexpr int kStrOpFactoryReference = 14111;
inline constexpr int kStrOpInitialize = 14112;
inline constexpr int kStrOpCheck = 14113;
inline constexpr int kStrOutcomeOk = 14114;
inline constexpr int kStrOutcomeFailed = 14115;
inline constexpr int kStrOutcomeCancelled = 14116;
inline constexpr int kStrOutcomeRefused = 14117;
