#include "app/qt/CTraceWindow.h"

#include "app/qt/CQtDispatcher.h"
#include "comm/CPrivateException.h"
#include "comm/DebugTrace.h"
#include "gui/CFileDialogs.h"
#include "gui/CMessageBox.h"
#include "gui/QtText.h"
#include "model/CIniFile.h"
#include "resources/CaptionIds.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>

namespace {
constexpr const char* kTextFilter = "Text (*.txt)|*.txt||";

// The time of the call, taken on the thread that traces: the queue must not move it.
QString Stamp() {
    return QTime::currentTime().toString("HH:mm:ss.zzz") + "  ";
}
} // namespace

CTraceWindow::CTraceWindow(QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)),
      m_save(new QPushButton(WithMnemonic(Tr(kCapSave), 'S'), this)),
      m_self(std::make_shared<CTraceWindow*>(this)) {
    setObjectName("CTraceWindow");
    setWindowTitle(Tr(kCapShowModbusTrace));
    m_text->setReadOnly(true);
    m_text->setMaximumBlockCount(kMaxLines);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_save->setObjectName("save");
    auto* clear = new QPushButton(WithMnemonic(Tr(kCapClear), 'L'), this);
    clear->setObjectName("clear");
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    buttons->addButton(clear, QDialogButtonBox::ResetRole);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(720, 400);
    connect(clear, &QPushButton::clicked, m_text, &QPlainTextEdit::clear);
    connect(m_save, &QPushButton::clicked, this, [this] {
        QString path = AskSaveFileName(
            this, Tr(kCapSave), kTextFilter, "txt", FileKind::Trace,
            "modbus-trace-" + QDateTime::currentDateTime().toString("yyyy-MM-dd-HHmmss") + ".txt");
        if (!path.isEmpty())
            SaveTo(path);
    });

    std::weak_ptr<CTraceWindow*> token = m_self;
    CQtDispatcher* dispatcher = &CQtDispatcher::Instance();
    auto post = [token, dispatcher](QString stamped) {
        dispatcher->Post([token, stamped = std::move(stamped)] {
            if (std::shared_ptr<CTraceWindow*> self = token.lock())
                (*self)->Append(stamped);
        });
    };
    // Called on whichever thread traces, several at once: only stamps and queues.
    SetTraceSink([post](const std::string& line) {
        QString text = QString::fromStdString(line);
        while (text.endsWith('\n'))
            text.chop(1);
        post(Stamp() + text);
    });
    SetFrameSink([post](bool sent, const uint8_t* frame, std::size_t size) {
        QByteArray bytes(reinterpret_cast<const char*>(frame), static_cast<qsizetype>(size));
        post(Stamp() + (sent ? "> " : "< ") + QString::fromLatin1(bytes.toHex(' ').toUpper()));
    });
}

CTraceWindow::~CTraceWindow() {
    SetTraceSink(nullptr);
    SetFrameSink(nullptr);
}

void CTraceWindow::Append(const QString& stamped) {
    m_text->appendPlainText(stamped);
}

bool CTraceWindow::SaveTo(const QString& path) {
    try {
        WriteFileAtomically(ToStd(path), ToStd(m_text->toPlainText() + "\n"));
        return true;
    } catch (const CPrivateException& e) {
        ShowMessageBox(this, FromStd(e.Message()), MessageIcon::Stop);
        return false;
    }
}
