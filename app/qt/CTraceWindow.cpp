#include "app/qt/CTraceWindow.h"

#include "app/qt/CQtDispatcher.h"
#include "app/qt/QtText.h"
#include "comm/DebugTrace.h"
#include "resources/CaptionIds.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CTraceWindow::CTraceWindow(QWidget* parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)),
      m_self(std::make_shared<CTraceWindow*>(this)) {
    setObjectName("CTraceWindow");
    setWindowTitle(Tr(kCapShowModbusTrace));
    m_text->setReadOnly(true);
    m_text->setMaximumBlockCount(kMaxLines);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_text);
    resize(640, 360);

    std::weak_ptr<CTraceWindow*> token = m_self;
    CQtDispatcher* dispatcher = &CQtDispatcher::Instance();
    // Called on whichever thread traces, several at once: only queues.
    SetTraceSink([token, dispatcher](const std::string& line) {
        dispatcher->Post([token, line] {
            if (std::shared_ptr<CTraceWindow*> self = token.lock())
                (*self)->Append(line);
        });
    });
}

CTraceWindow::~CTraceWindow() {
    SetTraceSink(nullptr);
}

void CTraceWindow::Append(const std::string& line) {
    QString text = QString::fromStdString(line);
    while (text.endsWith('\n'))
        text.chop(1);
    m_text->appendPlainText(text);
}
