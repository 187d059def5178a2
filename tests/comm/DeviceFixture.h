#pragma once

#include "comm/CCommInterface.h"
#include "comm/CModbusInterface.h"
#include "tests/comm/BankTransport.h"
#include "tests/support/CRegisterBank.h"
#include "tests/support/ModelFixture.h"

#include <memory>
#include <string>
#include <vector>

// A connected CCommInterface whose client frames every request through a scripted transport
// answered by a register bank: bank.Trace() gives the register sequence, transport.log the
// opens and closes of the port.
class DeviceFixture : public ModelFixture {
protected:
    using Trace = std::vector<std::string>;

    void SetUp() override {
        ModelFixture::SetUp();
        transport.responder = [this](const std::vector<uint8_t>& request) {
            return AnswerFromBank(bank, request);
        };
        comm = std::make_unique<CCommInterface>(std::make_unique<CModbusInterface>(transport));
        comm->Connect();
        bank[9602] = 110; // firmware 1.10: the response property is supported
        transport.log.clear();
    }

    // The register sequence a fresh set of typeCode issues for the given groups against the
    // bank's current contents (the model's own business, so taken from the model).
    Trace ModelSequence(int typeCode, std::initializer_list<int> groups, bool download = false) {
        CRegisterBank copy = bank;
        copy.ClearRequests();
        copy.onRequest = nullptr;
        CCommInterface refComm(&copy);
        auto set = CDeviceType::NewParameterSet(typeCode);
        for (int g : groups) {
            if (download)
                set->Download(refComm, g);
            else
                set->Upload(refComm, g);
        }
        return copy.Trace();
    }

    int Count(const std::string& entry) const {
        return static_cast<int>(std::count(transport.log.begin(), transport.log.end(), entry));
    }

    CRegisterBank bank;
    CScriptedTransport transport;
    std::unique_ptr<CCommInterface> comm;
};

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}
