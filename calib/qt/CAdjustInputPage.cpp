#include "calib/qt/CAdjustInputPage.h"

#include "comm/MessageFormat.h"
#include "gui/QtText.h"
#include "resources/CaptionIds.h"
#include "resources/StringIds.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
constexpr double kZeroScale = 10000.0;  // input zero: 0.0001 sensor unit per step
constexpr double kPercentScale = 100.0; // spans and output zero: 0.01 % per step
constexpr int kSpanLow = 8500;          // 85.00 %
constexpr int kSpanHigh = 11500;        // 115.00 %
constexpr int kSpanNeutral = 10000;     // 100.00 %
constexpr int kOutputZeroLimit = 1500;  // +-15.00 %
constexpr int kTicksPerScale = 10;
constexpr int kZeroPage = 1000;  // 0.1 sensor unit
constexpr int kPercentPage = 10; // 0.1 %

int Truncated(double scaled) {
    // A value that came from the device as n / 10000 is n x 10000 only up to binary rounding
    // (0.0003 x 10000 = 2.9999...); the nudge keeps such values on their step while real
    // fractions of a step are still cut off.
    double nudged = scaled + (scaled >= 0 ? 1e-7 : -1e-7);
    if (!(nudged > INT_MIN && nudged < INT_MAX))
        return scaled > 0 ? INT_MAX : INT_MIN;
    return static_cast<int>(std::trunc(nudged));
}

int Channel(int index) {
    return std::clamp(index, 0, 1);
}
} // namespace

int CAdjustInputPage::ZeroPosition(double sensorValue) {
    return Truncated(sensorValue * kZeroScale);
}

int CAdjustInputPage::PercentPosition(double percent) {
    return Truncated(percent * kPercentScale);
}

QString CAdjustInputPage::InputZeroText(double value, const std::string& unit) {
    return FromStd(StrPrintf("%+.4lf%s", value, unit.c_str()));
}

QString CAdjustInputPage::SpanText(double percent) {
    return FromStd(StrPrintf("%.2lf%%", percent));
}

QString CAdjustInputPage::OutputZeroText(double value, const std::string& unit) {
    return FromStd(StrPrintf("%+.2lf%s", value, unit.c_str()));
}

CAdjustInputPage::CAdjustInputPage(QWidget* parent) : QWidget(parent) {
    m_clock = [] { return Clock::now(); };

    // The zero range starts from the record's default limits (-15 to 15).
    MakeSlider(InputZero, ZeroPosition(m_adjust.inputZeroMin[0]),
               ZeroPosition(m_adjust.inputZeroMax[0]), 1, kZeroPage, 0);
    MakeSlider(InputSpan, kSpanLow, kSpanHigh, 1, kPercentPage, kSpanNeutral);
    MakeSlider(OutputZero, -kOutputZeroLimit, kOutputZeroLimit, 1, kPercentPage, 0);
    MakeSlider(OutputSpan, kSpanLow, kSpanHigh, 1, kPercentPage, kSpanNeutral);

    auto* page = new QVBoxLayout(this);
    page->addWidget(CreateGroup(kCapInputFineAdjustment, m_inputRadio, "inputChannel", InputZero,
                                InputSpan, m_inputReset, "inputReset"));
    page->addWidget(CreateGroup(kCapOutputFineAdjustment, m_outputRadio, "outputChannel",
                                OutputZero, OutputSpan, m_outputReset, "outputReset"));
    page->addStretch(1);
    auto* checkRow = new QHBoxLayout;
    m_check = new QPushButton(Tr(kStrCheckButton), this);
    m_check->setObjectName("calibrationCheck");
    m_check->setEnabled(false);
    checkRow->addStretch(1);
    checkRow->addWidget(m_check);
    page->addLayout(checkRow);

    m_inputRadio[0]->setChecked(true);
    m_outputRadio[0]->setChecked(true);
    RefreshLabels();

    ConnectControls();

    // Until the first poll result: an offline device, nothing shown or enabled.
    m_device = CAdjustInfo();
    ApplyDeviceState();
}

// One adjustment group: channel choice, zero and span sliders with their values, reset.
QGroupBox* CAdjustInputPage::CreateGroup(int captionId, QRadioButton* (&radios)[2],
                                         const char* radioName, Slider zero, Slider span,
                                         QPushButton*& reset, const char* resetName) {
    auto* group = new QGroupBox(Tr(captionId), this);
    auto* layout = new QVBoxLayout(group);
    auto* radioRow = new QHBoxLayout;
    radioRow->addStretch(1);
    auto* buttons = new QButtonGroup(group);
    for (int k = 0; k < 2; ++k) {
        radios[k] = new QRadioButton(Tr(k == 0 ? kCapChannel1 : kCapChannel2), group);
        radios[k]->setObjectName(QString("%1%2").arg(radioName).arg(k + 1));
        buttons->addButton(radios[k], k);
        radioRow->addWidget(radios[k]);
    }
    layout->addLayout(radioRow);
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    const int captions[2] = {kCapFineZeroAdjustment, kCapFineSpanAdjustment};
    const Slider sliders[2] = {zero, span};
    for (int row = 0; row < 2; ++row) {
        grid->addWidget(new QLabel(Tr(captions[row]), group), row, 0);
        m_sliders[sliders[row]]->setParent(group);
        grid->addWidget(m_sliders[sliders[row]], row, 1);
        CreateValueField(group, sliders[row], captions[row]);
        grid->addWidget(m_values[sliders[row]], row, 2);
    }
    layout->addLayout(grid);
    auto* resetRow = new QHBoxLayout;
    resetRow->addStretch(1);
    reset = new QPushButton(Tr(kCapReset), group);
    reset->setObjectName(resetName);
    resetRow->addWidget(reset);
    layout->addLayout(resetRow);
    return group;
}

// The value beside a slider: shows the device's value and takes a typed one.
void CAdjustInputPage::CreateValueField(QGroupBox* group, Slider which, int captionId) {
    auto* field = new QLineEdit(group);
    m_values[which] = field;
    field->setObjectName(m_sliders[which]->objectName() + "Value");
    field->setAccessibleName(Tr(captionId));
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for the widest text ("+15.0000kOhm"), so it never reaches the slider.
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance("+150.0000kOhm") + 12);
    connect(field, &QLineEdit::editingFinished, this, [this, which] { OnValueTyped(which); });
    // Hidden while no device values are known; the sliders keep their length.
    QSizePolicy keep = m_values[which]->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_values[which]->setSizePolicy(keep);
}

void CAdjustInputPage::ConnectControls() {
    for (int k = 0; k < 2; ++k) {
        connect(m_inputRadio[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                OnInputSelected(k);
        });
        connect(m_outputRadio[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                OnOutputSelected(k);
        });
    }
    connect(m_inputReset, &QPushButton::clicked, this, [this] { OnInputReset(); });
    connect(m_outputReset, &QPushButton::clicked, this, [this] { OnOutputReset(); });
    for (int s = 0; s < SliderCount; ++s) {
        auto which = static_cast<Slider>(s);
        connect(m_sliders[s], &QSlider::valueChanged, this,
                [this, which] { OnSliderMoved(which); });
    }
}

QSlider* CAdjustInputPage::MakeSlider(Slider which, int low, int high, int line, int page,
                                      int position) {
    static const char* const kNames[SliderCount] = {"inputZero", "inputSpan", "outputZero",
                                                    "outputSpan"};
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(kNames[which]);
    slider->setRange(low, high);
    slider->setSingleStep(line);
    slider->setPageStep(page);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(std::max(1, (high - low) / kTicksPerScale));
    slider->setValue(position);
    slider->setMinimumWidth(220);
    m_sliders[which] = slider;
    return slider;
}

void CAdjustInputPage::SetPosition(Slider which, int position) {
    QSignalBlocker block(m_sliders[which]);
    m_sliders[which]->setValue(position);
}

void CAdjustInputPage::update(const CAdjustInfo& device) {
    m_device = device;
    bool userHolds = m_lastUserChange && m_clock() - *m_lastUserChange < kUserHold;
    if (!userHolds) {
        m_adjust = device;
        ShowChannelValues();
    }
    ApplyDeviceState();
}

void CAdjustInputPage::ShowChannelValues() {
    int i = Channel(m_selectedInput);
    int j = Channel(m_selectedOutput);
    {
        QSignalBlocker block(m_sliders[InputZero]);
        int low = ZeroPosition(m_adjust.inputZeroMin[i]);
        int high = ZeroPosition(m_adjust.inputZeroMax[i]);
        m_sliders[InputZero]->setRange(low, high);
        m_sliders[InputZero]->setTickInterval(std::max(1, (high - low) / kTicksPerScale));
    }
    SetPosition(InputZero, ZeroPosition(m_adjust.inputZero[i]));
    SetPosition(InputSpan, PercentPosition(m_adjust.inputSpan[i]));
    SetPosition(OutputZero, PercentPosition(m_adjust.outputZero[j]));
    SetPosition(OutputSpan, PercentPosition(m_adjust.outputSpan[j]));
    RefreshLabels();
}

void CAdjustInputPage::RefreshLabels() {
    int i = Channel(m_selectedInput);
    int j = Channel(m_selectedOutput);
    const QString texts[SliderCount] = {
        InputZeroText(m_adjust.inputZero[i], m_adjust.inputUnit[i]),
        SpanText(m_adjust.inputSpan[i]),
        OutputZeroText(m_adjust.outputZero[j], m_adjust.outputUnit[j]),
        SpanText(m_adjust.outputSpan[j]),
    };
    for (int s = 0; s < SliderCount; ++s) {
        // What the user is typing stays until Enter: a poll must not write over it.
        if (m_values[s]->hasFocus() && m_values[s]->isModified())
            continue;
        m_values[s]->setText(texts[s]);
        m_values[s]->setModified(false);
    }
}

double CAdjustInputPage::Scale(Slider which) const {
    return which == InputZero ? kZeroScale : kPercentScale;
}

void CAdjustInputPage::OnValueTyped(Slider which) {
    QLineEdit* field = m_values[which];
    if (!field->isModified())
        return;
    field->setModified(false);
    // The number at the front; a unit or "%" after it is the one shown.
    QString text = field->text().trimmed();
    int end = 0;
    while (end < text.size() && (text[end].isDigit() || QString("+-.").contains(text[end])))
        ++end;
    bool ok = false;
    double value = text.left(end).toDouble(&ok);
    QSlider* slider = m_sliders[which];
    if (ok && slider->isEnabled()) {
        long long position = std::llround(value * Scale(which));
        SetPosition(which, static_cast<int>(std::clamp<long long>(position, slider->minimum(),
                                                                  slider->maximum())));
        OnSliderMoved(which);
    } else {
        RefreshLabels();
    }
}

void CAdjustInputPage::ApplyDeviceState() {
    bool outputs = m_pageEnabled && m_device.ioPresent;
    m_inputReset->setEnabled(m_pageEnabled);
    m_sliders[InputZero]->setEnabled(m_pageEnabled);
    m_sliders[InputSpan]->setEnabled(m_pageEnabled);
    m_outputReset->setEnabled(outputs);
    m_sliders[OutputZero]->setEnabled(outputs);
    m_sliders[OutputSpan]->setEnabled(outputs);

    bool inputLabels = m_device.inputValid;
    bool outputLabels = m_device.inputValid && m_device.ioPresent;
    m_values[InputZero]->setVisible(inputLabels);
    m_values[InputSpan]->setVisible(inputLabels);
    m_values[OutputZero]->setVisible(outputLabels);
    m_values[OutputSpan]->setVisible(outputLabels);
    for (int s = 0; s < SliderCount; ++s)
        m_values[s]->setReadOnly(!m_sliders[s]->isEnabled());

    for (int k = 0; k < 2; ++k) {
        m_inputRadio[k]->setVisible(m_device.inputCount == 2);
        m_outputRadio[k]->setVisible(m_device.outputCount == 2);
    }
}

void CAdjustInputPage::SetPageEnabled(bool enabled) {
    m_pageEnabled = enabled;
    ApplyDeviceState();
}

void CAdjustInputPage::OnSliderMoved(Slider which) {
    int position = m_sliders[which]->value();
    int i = Channel(m_selectedInput);
    int j = Channel(m_selectedOutput);
    switch (which) {
    case InputZero:
        m_adjust.inputZero[i] = position / kZeroScale;
        break;
    case InputSpan:
        m_adjust.inputSpan[i] = position / kPercentScale;
        break;
    case OutputZero:
        m_adjust.outputZero[j] = position / kPercentScale;
        break;
    case OutputSpan:
        m_adjust.outputSpan[j] = position / kPercentScale;
        break;
    case SliderCount:
        return;
    }
    RefreshLabels();
    UserChanged();
}

void CAdjustInputPage::OnInputReset() {
    int i = Channel(m_selectedInput);
    SetPosition(InputZero, 0);
    SetPosition(InputSpan, kSpanNeutral);
    m_adjust.inputZero[i] = 0.0;
    m_adjust.inputSpan[i] = kSpanNeutral / kPercentScale;
    RefreshLabels();
    UserChanged();
}

void CAdjustInputPage::OnOutputReset() {
    int j = Channel(m_selectedOutput);
    SetPosition(OutputZero, 0);
    SetPosition(OutputSpan, kSpanNeutral);
    m_adjust.outputZero[j] = 0.0;
    m_adjust.outputSpan[j] = kSpanNeutral / kPercentScale;
    RefreshLabels();
    UserChanged();
}

void CAdjustInputPage::UserChanged() {
    NotifyObservers();
    m_lastUserChange = m_clock();
}

// The sliders show the chosen channel's values of the working copy at once: a slider still
// showing the other channel would carry that channel's position into this one at the first
// movement.
void CAdjustInputPage::OnInputSelected(int input) {
    m_selectedInput = input;
    ShowChannelValues();
}

void CAdjustInputPage::OnOutputSelected(int output) {
    m_selectedOutput = output;
    ShowChannelValues();
}
