#include "TBEditCommands.h"

#include <QLineEdit>

namespace {

bool lineEditCan(const QLineEdit* line, TBEditCommands::Command command)
{
    // A password stays in its field: it is neither copied nor cut.
    const bool secret = line->echoMode() != QLineEdit::Normal;
    switch (command) {
    case TBEditCommands::SelectAll:
        return !line->text().isEmpty();
    case TBEditCommands::Copy:
        return line->hasSelectedText() && !secret;
    case TBEditCommands::Cut:
        return line->hasSelectedText() && !secret && !line->isReadOnly();
    case TBEditCommands::Delete:
        return line->hasSelectedText() && !line->isReadOnly();
    }
    return false;
}

} // namespace

bool TBEditCommands::canPerform(const QWidget* widget, Command command)
{
    if (const auto* commands = dynamic_cast<const TBEditCommands*>(widget)) {
        switch (command) {
        case Cut:
            return commands->canCut();
        case Copy:
            return commands->canCopy();
        case Delete:
            return commands->canDelete();
        case SelectAll:
            return commands->canSelectAll();
        }
        return false;
    }
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return lineEditCan(line, command);
    return false;
}

void TBEditCommands::perform(QWidget* widget, Command command)
{
    if (!canPerform(widget, command))
        return;
    if (auto* commands = dynamic_cast<TBEditCommands*>(widget)) {
        switch (command) {
        case Cut:
            commands->cut();
            break;
        case Copy:
            commands->copy();
            break;
        case Delete:
            commands->del();
            break;
        case SelectAll:
            commands->selectAll();
            break;
        }
        return;
    }
    auto* line = qobject_cast<QLineEdit*>(widget);
    switch (command) {
    case Cut:
        line->cut();
        break;
    case Copy:
        line->copy();
        break;
    case Delete:
        line->del();
        break;
    case SelectAll:
        line->selectAll();
        break;
    }
}
