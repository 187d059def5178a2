#pragma once

#include "comm/CPrivateException.h"
#include "model/CModelContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Restores the process-wide model state after each test and collects shown messages.
class ModelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CModelContext::SetTempUnit(0);
        CModelContext::SetPrivileged(false);
        SetMessageSink([this](const std::string& text, CPrivateException::Icon icon) {
            messages.push_back(text);
            icons.push_back(icon);
        });
    }
    void TearDown() override {
        CModelContext::SetTempUnit(0);
        CModelContext::SetPrivileged(false);
        SetMessageSink(nullptr);
    }

    std::vector<std::string> messages;
    std::vector<CPrivateException::Icon> icons;
};

// The message of the CPrivateException that fn throws ("" when nothing is thrown).
template <typename Fn> std::string ThrownMessage(Fn&& fn) {
    try {
        fn();
    } catch (const CPrivateException& e) {
        return e.Message();
    }
    return {};
}
