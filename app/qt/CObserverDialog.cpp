#include "app/qt/CObserverDialog.h"

#include "app/qt/CQtDispatcher.h"

CObserverDialog::CObserverDialog(QWidget* parent)
    : QDialog(parent), CQueuedObserver(CQtDispatcher::Instance()) {}

CObserverDialog::~CObserverDialog() = default;
