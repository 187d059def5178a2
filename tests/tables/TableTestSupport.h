#pragma once

#include "comm/CPrivateException.h"
#include "resources/CStringTable.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

// Gives every table message its own text, so that a test can tell which id was thrown even where
// two ids share their English text ("Can not open the table file." is 30000 and 30300).
class TableMessages : public ::testing::Test {
protected:
    void SetUp() override { CStringTable::UseTable(kTexts, sizeof kTexts / sizeof kTexts[0]); }
    void TearDown() override { CStringTable::UseTable(nullptr, 0); }

    static constexpr StringEntry kTexts[] = {
        {30000, "Can not open the table file. (xy)"},
        {30001, "Can not write the table file. (xy)"},
        {30002, "Invalid the structure of table file. (xy)"},
        {30003, "Too many number of table in the table file. (xy)"},
        {30300, "Can not open the table file. (temperature)"},
        {30301, "Can not write the table file. (temperature)"},
        {30302, "Invalid the structure of table file. (temperature)"},
        {30303, "Too many number of table in the table file. (temperature)"},
        {30304, "Invalid start temperature in the table file."},
        {30305, "Invalid step temperature in the table file."},
    };

    TempDir m_dir;
};

// The message f throws, or a marker when it throws nothing.
template <class F> std::string ThrownMessage(F&& f) {
    try {
        f();
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return "(nothing thrown)";
}
