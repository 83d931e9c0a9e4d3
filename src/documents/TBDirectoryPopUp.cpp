#include "TBDirectoryPopUp.h"

#include "TBPreferences.h"

#include <QStandardItemModel>

namespace {

void disableItem(QComboBox* popUp, int index)
{
    if (auto* model = qobject_cast<QStandardItemModel*>(popUp->model()))
        model->item(index)->setEnabled(false);
}

} // namespace

TBDirectoryPopUp::TBDirectoryPopUp(QWidget* parent)
    : QComboBox(parent)
{
    setObjectName(QStringLiteral("directoryPopUp"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(24);
}

QString TBDirectoryPopUp::directoryTooltip(const TBDirectory& directory)
{
    QString base = directory.searchBase();
    base.replace(QLatin1Char(' '), QChar(QChar::Nbsp));
    return QStringLiteral("%1\n%2").arg(directory.ldapURI(), base);
}

void TBDirectoryPopUp::updateDirectories(bool directoryDeleted)
{
    const QSignalBlocker blocker(this);
    clear();
    const QList<TBDirectoryPtr>& directories = TBPreferences::sharedPreferences()->directories();
    if (directories.isEmpty()) {
        addItem(QStringLiteral("None Defined"));
        disableItem(this, 0);
        setEnabled(false);
        return;
    }
    for (const TBDirectoryPtr& directory : directories) {
        const QString name = directory->directoryName().isEmpty() ? QStringLiteral("Error - Missing Directory Name")
                                                                  : directory->directoryName();
        addItem(name);
        setItemData(count() - 1, directoryTooltip(*directory), Qt::ToolTipRole);
    }
    if (directoryDeleted) {
        insertSeparator(count());
        addItem(QStringLiteral("Directory Deleted"));
        disableItem(this, count() - 1);
    }
    setEnabled(true);
}

void TBDirectoryPopUp::selectDirectory(qint64 directoryID)
{
    const TBPreferences* prefs = TBPreferences::sharedPreferences();
    qsizetype index = -1;
    if (directoryID == 0)
        index = 0;
    else if (directoryID == -1)
        index = prefs->directories().size() + 1;
    else
        index = prefs->directoryIndexWithID(directoryID);
    const TBDirectoryPtr directory = directoryID > 0 ? prefs->directoryWithID(directoryID) : nullptr;
    const QSignalBlocker blocker(this);
    setCurrentIndex(int(index < count() ? index : -1));
    setToolTip(directory ? directoryTooltip(*directory) : QString());
}

TBDirectoryPtr TBDirectoryPopUp::directoryChosen(int index, bool leavingDeleted)
{
    const QList<TBDirectoryPtr>& directories = TBPreferences::sharedPreferences()->directories();
    if (index < 0 || index >= directories.size())
        return nullptr;
    if (leavingDeleted) {
        const QSignalBlocker blocker(this);
        while (count() > directories.size())
            removeItem(count() - 1);
        setCurrentIndex(index);
    }
    setToolTip(directoryTooltip(*directories.at(index)));
    return directories.at(index);
}

void TBDirectoryPopUp::setOtherItemsEnabled(bool enable)
{
    auto* items = qobject_cast<QStandardItemModel*>(model());
    if (!items)
        return;
    const int selected = currentIndex();
    const qsizetype directories = TBPreferences::sharedPreferences()->directories().size();
    for (int i = 0; i < count(); ++i) {
        if (i == selected)
            continue;
        if (QStandardItem* item = items->item(i))
            item->setEnabled(enable && i < directories);
    }
}
