#pragma once

#include "TBDirectory.h"

#include <QComboBox>
#include <QList>

// A window's directory pop-up: one item per directory, titled with its name, its tooltip the
// directory's URI and search base; one disabled "None Defined" when there is no directory; and a
// separator with a disabled "Directory Deleted" while the window's directory has been deleted.
class TBDirectoryPopUp : public QComboBox
{
    Q_OBJECT
public:
    explicit TBDirectoryPopUp(QWidget* parent = nullptr);

    // "<URI>\n<search base>", the base with no-break spaces so that it never wraps.
    static QString directoryTooltip(const TBDirectory& directory);

    // The directories of the preferences, in their order.
    void updateDirectories(bool directoryDeleted);
    // Selects the directory (0: the first item, -1: "Directory Deleted"; nothing when no directory
    // has the number); the pop-up's tooltip becomes the directory's, or none.
    void selectDirectory(qint64 directoryID);
    // The user chose the item at index: the directory there, or null when the item is not one.
    // "Directory Deleted" and its separator go when they are shown.
    TBDirectoryPtr directoryChosen(int index, bool leavingDeleted);
    // Enables or disables every item but the selected one; the placeholders stay disabled.
    void setOtherItemsEnabled(bool enable);
};
