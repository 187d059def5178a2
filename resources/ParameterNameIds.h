#pragma once

// String ids the parameter sets use: parameter names, choice lists, device information
// captions, model names, units and status texts. Every id here has an English and a Japanese
// text.
//
// | Ids           | Content                                                            |
// |---------------|--------------------------------------------------------------------|
// | 1000 - 1017   | input settings and the custom RTD group (1006 is the R[i] name)    |
// | 1019, 1020    | "Input", "Output": group headers 65000, 65001 and meter titles     |
// | 1021 - 1025   | custom TC group (1025 is the V[i] name)                            |
// | 1033, 1034    | "Input1", "Input2" (meter titles of a two-input model)             |
// | 1051, 1052    | "Output1", "Output2": headers 65010, 65011 and meter titles        |
// | 1100 - 1106   | output settings                                                    |
// | 1300 - 1303   | XY linearizer (1302 X[i], 1303 Y[i])                               |
// | 1500 - 1508   | fine adjustment names (1501, 1502 for single-output models)        |
// | 1999          | prompt of the factory dialogs' type lists                          |
// | 2000 - 2121   | choice lists, see kChoiceLists                                     |
// | 3000          | caption of the table-file button of group 2                        |
// | 9009 - 9016   | model names, 9000 + type code                                      |
// | 10000 - 10015 | names of the group 10 rows (monitor values, device information)    |
// | 11000 - 11010 | units; 11000 + TempUnit is the temperature unit                    |
// | 12000 - 12005 | status texts of parameter 61000                                    |
//
// Gaps are deliberate: a choice list is read as first id + index and must be followed by an id
// without text, because the list editor stops at the first empty text.

// Input settings (parameter ids 0 to 99).
inline constexpr int kStrInputType = 1000;          // 0
inline constexpr int kStrZeroInput = 1001;          // 1
inline constexpr int kStrFullInput = 1002;          // 2
inline constexpr int kStrFilterTimeConstant = 1003; // 51
inline constexpr int kStrSensorWires = 1004;        // 63
inline constexpr int kStrResponseProperty = 1005;   // 69
inline constexpr int kStrColdJunctionComp = 1016;   // 61
inline constexpr int kStrResponseRate = 1017;       // 50

// Custom RTD table (group 2 of the RTD model). "R[%d]" takes the point index 0 to 299.
inline constexpr int kStrPointR = 1006;
inline constexpr int kStrCustomRtd = 1007;       // header 65004
inline constexpr int kStrCustomRtdType = 1008;   // 21000
inline constexpr int kStrCoefficientR0 = 1009;   // 21001
inline constexpr int kStrCoefficientA = 1010;    // 21002
inline constexpr int kStrCoefficientB = 1011;    // 21003
inline constexpr int kStrCoefficientC = 1012;    // 21004
inline constexpr int kStrCustomRtdStart = 1013;  // 21005
inline constexpr int kStrCustomRtdStep = 1014;   // 21006
inline constexpr int kStrCustomRtdPoints = 1015; // 21007

// Group headers and meter titles.
inline constexpr int kStrInput = 1019;  // 65000
inline constexpr int kStrOutput = 1020; // 65001 (single-output models)
inline constexpr int kStrInput1 = 1033;
inline constexpr int kStrInput2 = 1034;
inline constexpr int kStrOutput1 = 1051; // 65010
inline constexpr int kStrOutput2 = 1052; // 65011

// Custom TC table (group 2 of the thermocouple model). "V[%d]" takes the point index.
inline constexpr int kStrCustomTc = 1021;       // header 65004
inline constexpr int kStrCustomTcStart = 1022;  // 21005
inline constexpr int kStrCustomTcStep = 1023;   // 21006
inline constexpr int kStrCustomTcPoints = 1024; // 21007
inline constexpr int kStrPointV = 1025;

// Output settings (parameter ids 100 to 111, 60, 66 and their output-2 twins).
inline constexpr int kStrOutputType = 1100;         // 100, 105
inline constexpr int kStrZeroOutput = 1101;         // 101, 106
inline constexpr int kStrFullOutput = 1102;         // 102, 107
inline constexpr int kStrOutputLowLimit = 1103;     // 103, 108
inline constexpr int kStrOutputHighLimit = 1104;    // 104, 109
inline constexpr int kStrBurnout = 1105;            // 60, 67
inline constexpr int kStrBurnoutOutputValue = 1106; // 66, 68; the text ends with a blank

// XY linearizer (potentiometer and DC models). "X[%d]" and "Y[%d]" take the pair index.
inline constexpr int kStrLinearizer = 1300;     // header 65003 and choices 110, 111
inline constexpr int kStrNumberOfPoints = 1301; // 20001
inline constexpr int kStrPointX = 1302;
inline constexpr int kStrPointY = 1303;

// Fine adjustment (group 1).
inline constexpr int kStrFineAdjustment = 1500;  // header 65002
inline constexpr int kStrOutputFineZero = 1501;  // 10003 of a single-output RTD/TC model
inline constexpr int kStrOutputFineSpan = 1502;  // 10004 of a single-output RTD/TC model
inline constexpr int kStrOutput1FineZero = 1503; // 10003
inline constexpr int kStrOutput1FineSpan = 1504; // 10004
inline constexpr int kStrOutput2FineZero = 1505; // 10008
inline constexpr int kStrOutput2FineSpan = 1506; // 10009
inline constexpr int kStrInputFineZero = 1507;   // 10000
inline constexpr int kStrInputFineSpan = 1508;   // 10002

// Choice lists: the text of index i is string (first id + i); the id after the last entry has
// no text anywhere in the table.
inline constexpr int kStrChoicePrompt = 1999; // entry 0 of the factory dialogs' type lists
inline constexpr int kStrChoiceDcInputType = 2000;
inline constexpr int kStrChoicePotInputType = 2005;
inline constexpr int kStrChoiceRtdInputType = 2015;
inline constexpr int kStrChoiceTcInputType = 2030;
inline constexpr int kStrChoiceOutputType = 2050; // parameters 100, 105 and the factory list
inline constexpr int kStrChoiceSensorWires = 2060;
inline constexpr int kStrChoiceResponseProperty = 2070;
inline constexpr int kStrChoiceBurnout = 2080;
inline constexpr int kStrChoiceCustomRtdType = 2090;
inline constexpr int kStrChoiceColdJunction = 2100;
inline constexpr int kStrChoiceLinearizer = 2110;
inline constexpr int kStrChoiceResponseRate = 2120;

struct ChoiceListIds {
    int firstId;
    int count;
};

inline constexpr ChoiceListIds kChoiceDcInputType{kStrChoiceDcInputType, 3};
inline constexpr ChoiceListIds kChoicePotInputType{kStrChoicePotInputType, 7};
inline constexpr ChoiceListIds kChoiceRtdInputType{kStrChoiceRtdInputType, 7};
inline constexpr ChoiceListIds kChoiceTcInputType{kStrChoiceTcInputType, 14};
inline constexpr ChoiceListIds kChoiceOutputType{kStrChoiceOutputType, 3};
inline constexpr ChoiceListIds kChoiceSensorWires{kStrChoiceSensorWires, 3};
inline constexpr ChoiceListIds kChoiceResponseProperty{kStrChoiceResponseProperty, 2};
inline constexpr ChoiceListIds kChoiceBurnout{kStrChoiceBurnout, 4};
inline constexpr ChoiceListIds kChoiceCustomRtdType{kStrChoiceCustomRtdType, 2};
inline constexpr ChoiceListIds kChoiceColdJunction{kStrChoiceColdJunction, 2};
inline constexpr ChoiceListIds kChoiceLinearizer{kStrChoiceLinearizer, 2};
inline constexpr ChoiceListIds kChoiceResponseRate{kStrChoiceResponseRate, 2};

inline constexpr ChoiceListIds kChoiceLists[] = {
    kChoiceDcInputType,   kChoicePotInputType, kChoiceRtdInputType,     kChoiceTcInputType,
    kChoiceOutputType,    kChoiceSensorWires,  kChoiceResponseProperty, kChoiceBurnout,
    kChoiceCustomRtdType, kChoiceColdJunction, kChoiceLinearizer,       kChoiceResponseRate,
};

// Group-action button caption of group 2 (flag 0).
inline constexpr int kStrTableFile = 3000;

// Model names: 9000 + type code (9 to 16).
inline constexpr int kStrModelNameBase = 9000;

// Names of the group 10 rows.
inline constexpr int kStrInputValue = 10000;     // 60000
inline constexpr int kStrInput1Value = 10001;    // 60000 of a two-input model
inline constexpr int kStrInput2Value = 10002;    // 60002
inline constexpr int kStrOutput1Value = 10003;   // 60001
inline constexpr int kStrOutput2Value = 10004;   // 60003
inline constexpr int kStrStatus = 10005;         // 61000
inline constexpr int kStrOutputValue = 10006;    // 60001 of a single-output RTD/TC model
inline constexpr int kStrRtdResistance = 10007;  // 61003
inline constexpr int kStrTcVoltage = 10008;      // 61002
inline constexpr int kStrCjmTemperature = 10009; // 61001
inline constexpr int kStrTagNo = 10010;          // 62000
inline constexpr int kStrCalibratedDate = 10011; // 62001
inline constexpr int kStrModel = 10012;          // 62002
inline constexpr int kStrSerial = 10013;         // 62003
inline constexpr int kStrHardware = 10014;       // 62004
inline constexpr int kStrFirmware = 10015;       // 62005

// Units. The temperature unit text is string kStrUnitTemperatureBase + TempUnit.
inline constexpr int kStrUnitTemperatureBase = 11000;
inline constexpr int kStrUnitDegC = 11000;
inline constexpr int kStrUnitDegF = 11001;
inline constexpr int kStrUnitKelvin = 11002;
inline constexpr int kStrUnitMilliampere = 11003;
inline constexpr int kStrUnitVolt = 11004;
inline constexpr int kStrUnitMillivolt = 11005;
inline constexpr int kStrUnitOhm = 11006;
inline constexpr int kStrUnitPercent = 11007;
inline constexpr int kStrUnitSecond = 11008;
inline constexpr int kStrUnitKiloohm = 11009;
inline constexpr int kStrUnitMillisecond = 11010;

// Status texts of parameter 61000, joined by ", " in this order after "Normal".
inline constexpr int kStrStatusNormal = 12000;
inline constexpr int kStrStatusRangeOver = 12001;   // status bit 0x2
inline constexpr int kStrStatusOutputLimit = 12002; // status bit 0x1
inline constexpr int kStrStatusBurnout = 12003;     // status bit 0x10
inline constexpr int kStrStatusFixedOut = 12004;    // process mode 2
inline constexpr int kStrStatusAlarm = 12005;       // status bit 0x8000 (alarm models)
