// The q3sim command line.
#include "sim/CSimOptions.h"

#include <gtest/gtest.h>

namespace {

CSimOptions Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "q3sim");
    return ParseSimOptions(static_cast<int>(args.size()), args.data());
}

std::string ErrorOf(std::vector<const char*> args) {
    try {
        Parse(std::move(args));
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(CSimOptions, DefaultsServeAQ3vaOnAPtyWithASlowSine) {
    const CSimOptions options = Parse({});
    EXPECT_FALSE(options.model);
    EXPECT_EQ(options.identity.firmware, 110);
    EXPECT_EQ(options.identity.hardware, 100);
    EXPECT_EQ(options.tcpPort, -1);
    EXPECT_TRUE(options.devicePath.empty());
    EXPECT_EQ(options.input.shape, CSimInput::Shape::Sine);
    EXPECT_TRUE(options.input.relative);
    EXPECT_EQ(options.baud, 0);
    EXPECT_EQ(options.faults.drop, 0);
}

TEST(CSimOptions, EveryOptionIsParsed) {
    const CSimOptions o = Parse({"--model",
                                 "Q3VC1",
                                 "--firmware",
                                 "1.09",
                                 "--hardware",
                                 "2.5",
                                 "--serial",
                                 "S-1",
                                 "--tag",
                                 "TAG",
                                 "--state",
                                 "s.txt",
                                 "--link",
                                 "/tmp/l",
                                 "--baud",
                                 "9600",
                                 "--turnaround",
                                 "15",
                                 "--seed",
                                 "99",
                                 "--drop",
                                 "0.1",
                                 "--crc",
                                 "0.2",
                                 "--short",
                                 "0.3",
                                 "--exception",
                                 "0.05",
                                 "--exception-code",
                                 "4",
                                 "--stall",
                                 "0.01",
                                 "--stall-ms",
                                 "300",
                                 "--stray",
                                 "0.02",
                                 "--burnout",
                                 "--trace",
                                 "--input",
                                 "constant:12.5"});
    EXPECT_EQ(o.model, 1022);
    EXPECT_EQ(o.identity.firmware, 109);
    EXPECT_EQ(o.identity.hardware, 250);
    EXPECT_EQ(o.identity.serial, "S-1");
    EXPECT_TRUE(o.serialGiven);
    EXPECT_EQ(o.identity.tag, "TAG");
    EXPECT_EQ(o.statePath, "s.txt");
    EXPECT_EQ(o.linkPath, "/tmp/l");
    EXPECT_EQ(o.baud, 9600);
    EXPECT_EQ(o.turnaroundMs, 15);
    EXPECT_EQ(o.seed, 99u);
    EXPECT_DOUBLE_EQ(o.faults.drop, 0.1);
    EXPECT_DOUBLE_EQ(o.faults.badCrc, 0.2);
    EXPECT_DOUBLE_EQ(o.faults.shortAnswer, 0.3);
    EXPECT_DOUBLE_EQ(o.faults.exception, 0.05);
    EXPECT_EQ(o.faults.exceptionCode, 4);
    EXPECT_DOUBLE_EQ(o.faults.stall, 0.01);
    EXPECT_EQ(o.faults.stallMs, 300);
    EXPECT_DOUBLE_EQ(o.faults.stray, 0.02);
    EXPECT_TRUE(o.burnout);
    EXPECT_TRUE(o.trace);
    EXPECT_EQ(o.input.shape, CSimInput::Shape::Constant);
    EXPECT_FALSE(o.input.relative);
    EXPECT_DOUBLE_EQ(o.input.a, 12.5);

    EXPECT_EQ(Parse({"--model", "1031"}).model, 1031);
    EXPECT_EQ(Parse({"--tcp", "0"}).tcpPort, 0);
    EXPECT_EQ(Parse({"--device", "/dev/ttyS0"}).devicePath, "/dev/ttyS0");
    EXPECT_TRUE(Parse({"--registers"}).listRegisters);
    EXPECT_TRUE(Parse({"-h"}).help);
}

TEST(CSimOptions, InputShapes) {
    CSimInput sine = ParseSimInput("sine:20:5:30");
    EXPECT_EQ(sine.shape, CSimInput::Shape::Sine);
    EXPECT_FALSE(sine.relative);
    EXPECT_DOUBLE_EQ(sine.a, 20);
    EXPECT_DOUBLE_EQ(sine.b, 5);
    EXPECT_DOUBLE_EQ(sine.periodS, 30);
    CSimInput ramp = ParseSimInput("ramp:10%:90%");
    EXPECT_EQ(ramp.shape, CSimInput::Shape::Ramp);
    EXPECT_TRUE(ramp.relative);
    EXPECT_DOUBLE_EQ(ramp.a, 10);
    EXPECT_DOUBLE_EQ(ramp.b, 90);
    EXPECT_DOUBLE_EQ(ramp.periodS, 60);
    CSimInput plain = ParseSimInput("ramp");
    EXPECT_TRUE(plain.relative);
    EXPECT_DOUBLE_EQ(plain.a, 0);
    EXPECT_DOUBLE_EQ(plain.b, 100);
    EXPECT_DOUBLE_EQ(ParseSimInput("constant:-40").a, -40);
    EXPECT_THROW(ParseSimInput("triangle"), std::invalid_argument);
    EXPECT_THROW(ParseSimInput("sine:50%:10"), std::invalid_argument);
    EXPECT_THROW(ParseSimInput("sine:50"), std::invalid_argument);
    EXPECT_THROW(ParseSimInput("ramp:0:1:0"), std::invalid_argument);
    EXPECT_THROW(ParseSimInput("constant:1:2"), std::invalid_argument);
    EXPECT_THROW(ParseSimInput("constant:x"), std::invalid_argument);
}

TEST(CSimOptions, BadValuesNameTheOption) {
    EXPECT_NE(ErrorOf({"--model", "Q3VE"}).find("--model"), std::string::npos);
    EXPECT_NE(ErrorOf({"--drop", "1.5"}).find("--drop"), std::string::npos);
    EXPECT_NE(ErrorOf({"--crc", "-0.1"}).find("--crc"), std::string::npos);
    EXPECT_NE(ErrorOf({"--tcp", "65536"}).find("--tcp"), std::string::npos);
    EXPECT_NE(ErrorOf({"--baud"}).find("missing"), std::string::npos);
    EXPECT_NE(ErrorOf({"--firmware", "abc"}).find("--firmware"), std::string::npos);
    EXPECT_NE(ErrorOf({"--serial", "12345678901234567"}).find("--serial"), std::string::npos);
    EXPECT_NE(ErrorOf({"--frobnicate"}).find("--frobnicate"), std::string::npos);
    EXPECT_NE(ErrorOf({"--device", "/dev/x", "--tcp", "1"}), "");
    EXPECT_NE(ErrorOf({"--tcp", "1", "--link", "/tmp/x"}), "");
}

TEST(CSimOptions, HelpDocumentsEveryOption) {
    const std::string usage = SimUsageText();
    for (const char* option :
         {"--model", "--input",      "--firmware",       "--hardware",  "--serial",
          "--tag",   "--state",      "--link",           "--device",    "--tcp",
          "--baud",  "--turnaround", "--seed",           "--drop",      "--crc",
          "--short", "--exception",  "--exception-code", "--stall",     "--stall-ms",
          "--stray", "--burnout",    "--trace",          "--registers", "--help"}) {
        EXPECT_NE(usage.find(std::string("  ") + option + " "), std::string::npos) << option;
    }
}
