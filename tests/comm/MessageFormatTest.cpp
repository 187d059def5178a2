#include "comm/MessageFormat.h"
#include "comm/CPrivateException.h"
#include "resources/CStringTable.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(MessageFormat, FillsTypedAndPlainInserts) {
    EXPECT_EQ(
        "Modbus command failed. command=ReadHoldingRegister address=9601 size=1 "
        "reason=timeout.",
        FormatInserts("Modbus command failed. command=%1!s! address=%2!d! size=%3!d! "
                      "reason=%4!s!.",
                      {std::string("ReadHoldingRegister"), 9601LL, 1LL, std::string("timeout")}));
    EXPECT_EQ("0% input should be a from -65 to 249",
              FormatInserts("%1 should be a from %2 to %3",
                            {std::string("0% input"), std::string("-65"), std::string("249")}));
    EXPECT_EQ("3 parameter(s) not matching.",
              FormatInserts("%1!d! parameter(s) not matching.", {3LL}));
}

TEST(MessageFormat, PercentEscapeAndMissingArgument) {
    EXPECT_EQ("50% of  done", FormatInserts("50%% of %2 done", {1LL}));
}

TEST(PrivateException, GetErrorMessageTruncatesAndTerminates) {
    CPrivateException e = CPrivateException::FromId(306);
    EXPECT_EQ("Communication port can not be change settings.", e.Message());
    char buffer[10];
    EXPECT_TRUE(e.GetErrorMessage(buffer, sizeof buffer));
    EXPECT_EQ(std::string("Communica"), std::string(buffer));
}

TEST(PrivateException, SystemErrorInsertsDescriptionIntoTemplate) {
    CPrivateException e = CPrivateException::FromSystemError(ECONNREFUSED);
    EXPECT_EQ("Modbus-TCP Error. Connection refused", e.Message());
}

TEST(PrivateException, UnknownIdGivesEmptyMessage) {
    EXPECT_EQ("", CPrivateException::FromId(4).Message());
}
