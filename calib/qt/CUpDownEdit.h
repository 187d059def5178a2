#pragma once

#include <QAbstractSpinBox>

// An edit with an up-down control bound to it: the arrows (buttons, keys, wheel) step the
// number in the text by one within the range, while the text itself stays free, so a value
// read from the device outside the range is shown as it is and text that is not a number can
// be typed (its user decides what to do with it).
class CUpDownEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit CUpDownEdit(QWidget* parent = nullptr);

    void SetRange(int low, int high);
    int Low() const { return m_low; }
    int High() const { return m_high; }
    QString Text() const;
    void SetText(const QString& text);

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    int m_low = 0;
    int m_high = 100;
};
