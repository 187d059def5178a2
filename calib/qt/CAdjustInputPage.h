#pragma once

#include "calib/CAdjustInfo.h"
#include "comm/CObservable.h"

#include <QWidget>

#include <chrono>
#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

// The "Adjust." page: four sliders trim the fine zero and span of one input and one output;
// the field beside each slider shows its value and takes a typed one. Arrow keys move one
// device step (0.0001 sensor unit, 0.01 %), Page Up and Page Down 0.1 sensor unit or 0.1 %, so a
// trim of half an ohm is five presses.
// The page edits its own copy of the adjustments and notifies its observers (the main window,
// on the window thread) after every user change; the window hands Adjust() to the polling
// thread as command 2. Poll results arrive through update(); for 2000 ms after a user change
// they do not overwrite what the user set, so the sliders do not jump back while the write is
// still on its way.
class CAdjustInputPage : public QWidget, public CObservable {
    Q_OBJECT
public:
    using Clock = std::chrono::steady_clock;
    using ClockSource = std::function<Clock::time_point()>;
    static constexpr std::chrono::milliseconds kUserHold{2000};

    explicit CAdjustInputPage(QWidget* parent = nullptr);

    // The device's adjustment record of the latest poll (or an empty record while offline).
    void update(const CAdjustInfo& device);
    // The page's working copy, what the window writes after a notification.
    const CAdjustInfo& Adjust() const { return m_adjust; }
    // Set by the window: online and "Unlock" checked. Applied at once to the controls.
    void SetPageEnabled(bool enabled);
    bool PageEnabled() const { return m_pageEnabled; }
    int SelectedInput() const { return m_selectedInput; }
    int SelectedOutput() const { return m_selectedOutput; }
    // The time source of the 2000 ms rule (tests); the steady clock by default.
    void SetClockSource(ClockSource clock) { m_clock = std::move(clock); }
    // "Calibration Check...": the window opens the check and enables the button while online.
    QPushButton* CheckButton() const { return m_check; }

    // Slider positions of values, truncated toward zero: input zero value x 10000, the others
    // value x 100.
    static int ZeroPosition(double sensorValue);
    static int PercentPosition(double percent);
    // Label texts.
    static QString InputZeroText(double value, const std::string& unit);
    static QString SpanText(double percent);
    static QString OutputZeroText(double value, const std::string& unit);

private:
    enum Slider { InputZero, InputSpan, OutputZero, OutputSpan, SliderCount };

    QSlider* MakeSlider(Slider which, int low, int high, int line, int page, int position);
    QGroupBox* CreateGroup(int captionId, QRadioButton* (&radios)[2], const char* radioName,
                           Slider zero, Slider span, QPushButton*& reset, const char* resetName);
    void CreateValueField(QGroupBox* group, Slider which, int captionId);
    void ConnectControls();
    void OnSliderMoved(Slider which);
    void OnInputReset();
    void OnOutputReset();
    void OnInputSelected(int input);
    void OnOutputSelected(int output);
    void UserChanged();
    void ShowChannelValues();
    void RefreshLabels();
    void ApplyDeviceState();
    void SetPosition(Slider which, int position);
    // A value typed into the field beside a slider: taken as the slider's new position
    // (clamped to its range) on Enter or when the field loses focus.
    void OnValueTyped(Slider which);
    double Scale(Slider which) const;

    CAdjustInfo m_adjust;
    // Flags of the latest device record: what may be enabled and shown.
    CAdjustInfo m_device;
    int m_selectedInput = 0;
    int m_selectedOutput = 0;
    std::optional<Clock::time_point> m_lastUserChange;
    bool m_pageEnabled = false;
    ClockSource m_clock;

    QSlider* m_sliders[SliderCount] = {};
    QLineEdit* m_values[SliderCount] = {};
    QPushButton* m_inputReset = nullptr;
    QPushButton* m_outputReset = nullptr;
    QPushButton* m_check = nullptr;
    QRadioButton* m_inputRadio[2] = {};
    QRadioButton* m_outputRadio[2] = {};
};
