#pragma once

#include "comm/CObservable.h"
#include "comm/CObserver.h"
#include "model/CParBase.h"
#include "views/qt/CEditBitmapComboBox.h"
#include "views/qt/CEditComboBox.h"
#include "views/qt/CEditText.h"

#include <QPointer>
#include <QRect>

class QWidget;

// The editor pair a parameter set's BeginEdit opens: owns the three in-place editors and
// collects the result of the one that ended into the CEditResult that SetFromEditor reads. It
// observes its editors and notifies its parameter list when an edit has ended.
class CParEdit : public CObserver, public CObservable, public IParEditor {
public:
    CParEdit();
    ~CParEdit() override;
    CParEdit(const CParEdit&) = delete;
    CParEdit& operator=(const CParEdit&) = delete;

    // Makes the three editors, hidden, as children of the list's viewport.
    void Create(QWidget* viewport, QWidget* list);
    void SetCellRect(const QRect& rect);
    // Hides every editor; a running edit is abandoned without a result.
    void HideEditors();
    bool IsEditing() const;
    // Deletes the editors without any notification (the list is going away).
    void DestroyEditors();

    const CEditResult& Result() const { return m_result; }

    CEditText* TextEditor() const { return m_text; }
    CEditComboBox* ListEditor() const { return m_list; }
    CEditBitmapComboBox* BitmapListEditor() const { return m_bitmapList; }

    // IParEditor
    void ShowTextEditor(const std::string& text, const std::string& firstChar) override;
    void ShowListEditor(const std::vector<std::string>& items, int selected) override;

    // CObserver: the end of an edit, from one of the editors.
    void Update(CObservable* source) override;

private:
    CEditResult m_result;
    // Children of the list's viewport, deleted with it.
    QPointer<CEditComboBox> m_list;
    QPointer<CEditBitmapComboBox> m_bitmapList;
    QPointer<CEditText> m_text;
};
