#include "calib/qt/CUpDownEdit.h"

#include <QLineEdit>

#include <algorithm>

CUpDownEdit::CUpDownEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setAlignment(Qt::AlignRight);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void CUpDownEdit::SetRange(int low, int high) {
    m_low = std::min(low, high);
    m_high = std::max(low, high);
}

QString CUpDownEdit::Text() const {
    return lineEdit()->text();
}

void CUpDownEdit::SetText(const QString& text) {
    lineEdit()->setText(text);
}

void CUpDownEdit::stepBy(int steps) {
    bool ok = false;
    int value = Text().trimmed().toInt(&ok);
    // Text that is no number steps from the low end.
    if (!ok)
        value = m_low;
    else
        value = std::clamp(value + steps, m_low, m_high);
    SetText(QString::number(value));
}

QAbstractSpinBox::StepEnabled CUpDownEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State CUpDownEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}
