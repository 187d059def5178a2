#pragma once

#include <QWidget>

class CParBase;
class CParameterListCtrl;
class QPushButton;

// The file pane's page: one group of the file set, chosen by the file tab, in a parameter list,
// and a button for the group's extra action (a table dialog) when the set names one.
class CInputSettingPage : public QWidget {
    Q_OBJECT
public:
    explicit CInputSettingPage(QWidget* parent = nullptr);

    // Shows group of set. The layout (button shown or not, its caption) is worked out again only
    // when the group changes.
    void SetGroup(int group, CParBase* set);
    // The shown group; set before the first SetGroup (0 at creation).
    void SetShownGroup(int group) { m_group = group; }
    int ShownGroup() const { return m_group; }
    CParBase* ParameterSet() const { return m_set; }

    CParameterListCtrl* List() const { return m_list; }
    QPushButton* ActionButton() const { return m_action; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void RunAction();

    CParameterListCtrl* m_list;
    QPushButton* m_action;
    CParBase* m_set = nullptr;
    int m_group = 0;
    bool m_actionShown = false;
};
