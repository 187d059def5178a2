#pragma once

#include "comm/CPrivateException.h"
#include "model/CModelContext.h"
#include "model/CParBase.h"

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

// Request trace items of CRegisterBank ("R1000x1", "W2001x2", ...).
using Trace = std::vector<std::string>;

// The requests of one WriteParameter: its process-mode guard around the writes.
inline Trace Guarded(const Trace& writes) {
    Trace t{"R900x1", "W900x1"};
    t.insert(t.end(), writes.begin(), writes.end());
    t.push_back("W900x1");
    return t;
}

// Commits text as the parameter list's text editor does.
inline void EditText(CParBase& set, int id, const std::string& text) {
    CEditResult edit;
    edit.result = 2;
    edit.text = text;
    set.SetFromEditor(id, edit);
}
