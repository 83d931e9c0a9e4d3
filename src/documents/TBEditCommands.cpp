#include "TBEditCommands.h"

#include <QLineEdit>

namespace {

// A line edit's answers: a password stays in its field, neither copied nor cut.
class LineEditCommands final : public TBEditCommands
{
public:
    explicit LineEditCommands(QLineEdit* line)
        : m_line(line)
    { }

    bool canCut() const override { return canCopy() && !m_line->isReadOnly(); }
    bool canCopy() const override { return m_line->hasSelectedText() && m_line->echoMode() == QLineEdit::Normal; }
    bool canDelete() const override { return m_line->hasSelectedText() && !m_line->isReadOnly(); }
    bool canSelectAll() const override { return !m_line->text().isEmpty(); }
    void cut() override { m_line->cut(); }
    void copy() override { m_line->copy(); }
    void del() override { m_line->del(); }
    void selectAll() override { m_line->selectAll(); }

private:
    QLineEdit* m_line;
};

bool can(const TBEditCommands& commands, TBEditCommands::Command command)
{
    switch (command) {
    case TBEditCommands::Cut:
        return commands.canCut();
    case TBEditCommands::Copy:
        return commands.canCopy();
    case TBEditCommands::Delete:
        return commands.canDelete();
    case TBEditCommands::SelectAll:
        return commands.canSelectAll();
    }
    return false;
}

void run(TBEditCommands& commands, TBEditCommands::Command command)
{
    switch (command) {
    case TBEditCommands::Cut:
        return commands.cut();
    case TBEditCommands::Copy:
        return commands.copy();
    case TBEditCommands::Delete:
        return commands.del();
    case TBEditCommands::SelectAll:
        return commands.selectAll();
    }
}

} // namespace

bool TBEditCommands::canPerform(const QWidget* widget, Command command)
{
    if (const auto* commands = dynamic_cast<const TBEditCommands*>(widget))
        return can(*commands, command);
    // The queries only read the field.
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return can(LineEditCommands(const_cast<QLineEdit*>(line)), command);
    return false;
}

void TBEditCommands::perform(QWidget* widget, Command command)
{
    if (!canPerform(widget, command))
        return;
    if (auto* commands = dynamic_cast<TBEditCommands*>(widget)) {
        run(*commands, command);
        return;
    }
    LineEditCommands line(qobject_cast<QLineEdit*>(widget));
    run(line, command);
}
