#pragma once

#include "comm/CObservable.h"
#include "comm/CObserver.h"
#include "views/qt/CParEdit.h"

#include <QColor>
#include <QTableWidget>

#include <functional>

class CCommInterface;
class CParBase;

// The parameter list: one row per parameter of one group of a parameter set, name and value
// text, edited in place. A committed edit goes to the set (and, with a device link, to the
// device under the connection lock), the list refreshes and notifies its observers.
// Columns: 0 hidden (the row's parameter id as data), 1 name, 2 value.
class CParameterListCtrl : public QTableWidget, public CObserver, public CObservable {
    Q_OBJECT
public:
    explicit CParameterListCtrl(QWidget* parent = nullptr);
    ~CParameterListCtrl() override;

    static constexpr int kNameColumn = 1;
    static constexpr int kValueColumn = 2;
    // Data of column 0: the parameter id, its kind and whether its value is highlighted, as of
    // the last Refresh.
    static constexpr int kIdRole = Qt::UserRole;
    static constexpr int kKindRole = Qt::UserRole + 1;
    static constexpr int kHighlightRole = Qt::UserRole + 2;

    // Deletes all rows, makes the columns and the editors.
    void SetUp();

    // Lent by the owner; null until set.
    void SetParameterSet(CParBase* set) { m_set = set; }
    CParBase* ParameterSet() const { return m_set; }
    void SetGroup(int group) { m_group = group; }
    int Group() const { return m_group; }
    // Device link: a committed edit is also written to the device. Null: the set only.
    void SetDeviceLink(CCommInterface* comm) { m_link = comm; }
    // For a device-linked list: where the current device set is found, asked under the
    // connection lock before an edit reads or writes the set (a device thread may have
    // replaced the one the rows were made from).
    void SetLiveSet(std::function<CParBase*()> source) { m_liveSet = std::move(source); }
    CCommInterface* DeviceLink() const { return m_link; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool IsReadOnly() const { return m_readOnly; }
    // The next Refresh rewrites every text, changed or not.
    void SetRewriteAll(bool rewriteAll) { m_rewriteAll = rewriteAll; }
    bool RewriteAll() const { return m_rewriteAll; }

    // Brings the rows in line with the set and group, writing only the texts that changed.
    void Refresh();
    // Opens the editor of row (-1: the selected row) with firstChar typed in (may be empty).
    void StartEdit(int row, const QString& firstChar = {});
    // Column 1 gets half the width (rounded down), column 2 the rest.
    void SizeColumns();
    // Trims the height so that no partly visible row remains; the width stays.
    void FitHeight();
    // Hides the editors; a running edit is abandoned without a result.
    void HideEditors() { m_edit.HideEditors(); }

    // Cell texts the last Refresh wrote.
    int LastRefreshWrites() const { return m_textWrites; }

    CParEdit& Editor() { return m_edit; }
    int EditedId() const { return m_editedId; }
    int RowId(int row) const;
    // Background of a cell as drawn (the list's colours).
    QColor CellBackground(int row, int column) const;
    QColor CellForeground(int row, int column) const;
    // Text of the tool tip at a point of the viewport: the cell's text, at most 79 characters;
    // empty when no cell is there.
    QString ToolTipAt(const QPoint& viewportPos) const;

    // CObserver: the end of an edit, from the CParEdit.
    void Update(CObservable* source) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void SetCellText(int row, int column, const QString& text);
    void ApplyEdit(const CEditResult& result);
    // The device list's write of an edit (the caller holds the connection lock).
    void WriteEdit(const CEditResult& result);
    void MoveAndEdit(int navigation);

    CParBase* m_set = nullptr;
    int m_group = 0;
    int m_editedId = 0;
    CParEdit m_edit;
    CCommInterface* m_link = nullptr;
    std::function<CParBase*()> m_liveSet;
    bool m_readOnly = true;
    bool m_rewriteAll = false;
    int m_textWrites = 0;
};
