#include "TBReadOnlyFormatter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

TBReadOnlyFormatter::TBReadOnlyFormatter(QObject* parent)
    : QObject(parent)
{ }

TBReadOnlyFormatter* TBReadOnlyFormatter::sharedReadOnlyFormatter()
{
    // Goes with the application; a field does not own its event filters.
    static QPointer<TBReadOnlyFormatter> instance;
    if (!instance)
        instance = new TBReadOnlyFormatter(QCoreApplication::instance());
    return instance;
}

void TBReadOnlyFormatter::attachTo(QLineEdit* field)
{
    if (!field)
        return;
    // Read-only already refuses every edit, drops and pastes included; the filter only adds the beep.
    field->setReadOnly(true);
    field->removeEventFilter(this);
    field->installEventFilter(this);
}

bool TBReadOnlyFormatter::isEdit(const QKeyEvent* event)
{
    for (const QKeySequence::StandardKey key :
         {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Delete,
          QKeySequence::Backspace, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine}) {
        if (event->matches(key))
            return true;
    }
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return true;
    // Printable text without Ctrl or Alt (those are shortcuts such as Copy).
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool TBReadOnlyFormatter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (field && field->isReadOnly() && isEdit(static_cast<QKeyEvent*>(event))) {
            QApplication::beep();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
