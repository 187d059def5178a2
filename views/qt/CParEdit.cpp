#include "views/qt/CParEdit.h"

#include "views/qt/CEditBitmapComboBox.h"
#include "views/qt/CEditComboBox.h"
#include "views/qt/CEditText.h"

CParEdit::CParEdit() = default;

CParEdit::~CParEdit() = default;

void CParEdit::Create(QWidget* viewport, QWidget* list) {
    m_list = new CEditComboBox(viewport, list);
    m_bitmapList = new CEditBitmapComboBox(viewport, list);
    m_text = new CEditText(viewport, list);
    m_list->AddObserver(this);
    m_bitmapList->AddObserver(this);
    m_text->AddObserver(this);
}

void CParEdit::SetCellRect(const QRect& rect) {
    if (m_text)
        m_text->SetCellRect(rect);
    if (m_list)
        m_list->SetCellRect(rect);
    if (m_bitmapList)
        m_bitmapList->SetCellRect(rect);
}

void CParEdit::HideEditors() {
    if (m_list)
        m_list->Abandon();
    if (m_bitmapList)
        m_bitmapList->Abandon();
    if (m_text)
        m_text->Abandon();
}

void CParEdit::DestroyEditors() {
    // Deleted first, so that the focus leaving them cannot end an edit any more.
    delete m_list.data();
    delete m_bitmapList.data();
    delete m_text.data();
}

bool CParEdit::IsEditing() const {
    return (m_text && m_text->IsOpen()) || (m_list && m_list->IsOpen()) ||
           (m_bitmapList && m_bitmapList->IsOpen());
}

void CParEdit::ShowTextEditor(const std::string& text, const std::string& firstChar) {
    if (m_text)
        m_text->Open(QString::fromStdString(text), QString::fromStdString(firstChar));
}

void CParEdit::ShowListEditor(const std::vector<std::string>& items, int selected) {
    if (m_list)
        m_list->Open(items, selected);
}

void CParEdit::Update(CObservable* source) {
    if (auto* combo = dynamic_cast<CEditComboBox*>(source)) {
        // Both list editors (the bitmap one is a list editor too).
        m_result.choiceIndex = combo->currentIndex();
        m_result.result = combo->Committed() ? 1 : 0;
        m_result.navigation = 0;
        NotifyObservers();
    } else if (auto* edit = dynamic_cast<CEditText*>(source)) {
        m_result.text = edit->text().toStdString();
        m_result.result = edit->Committed() ? 2 : 0;
        m_result.navigation = edit->Navigation();
        NotifyObservers();
    }
}
