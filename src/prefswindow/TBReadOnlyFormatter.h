#pragma once

#include <QObject>

class QLineEdit;

// Makes text fields that can be selected and copied from but not changed: any value shows as it
// is, and every attempt to edit (typing, deleting, cutting, pasting, undoing) is refused with a
// beep. One shared instance serves every such field.
class TBReadOnlyFormatter : public QObject
{
    Q_OBJECT
public:
    static TBReadOnlyFormatter* sharedReadOnlyFormatter();

    void attachTo(QLineEdit* field);
    // Whether a key press would change a field's text.
    static bool isEdit(const class QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TBReadOnlyFormatter(QObject* parent = nullptr);
};
