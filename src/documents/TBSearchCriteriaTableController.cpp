#include "TBSearchCriteriaTableController.h"

#include "TBLog.h"
#include "TBOtherAttributeSheet.h"
#include "TBPreferences.h"
#include "TBSearchCriteriaRow.h"

#include <QComboBox>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStandardItemModel>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

const QString TBSearchCriteriaTableController::searchCriteriaDragType = QStringLiteral("searchCriteriaDragType");

namespace {

bool takesText(const TBSearchItemPtr& item)
{
    return item && item->takesText();
}

void setItemEnabled(QComboBox* popUp, int index, bool enabled)
{
    if (auto* model = qobject_cast<QStandardItemModel*>(popUp->model())) {
        if (QStandardItem* item = model->item(index))
            item->setEnabled(enabled);
    }
}

} // namespace

TBSearchCriteriaTableController::TBSearchCriteriaTableController(TBSearchCriteriaTableOwner* owner,
                                                                 QWidget* tableParent, QObject* parent)
    : QObject(parent)
    , m_owner(owner)
    , m_table(new QWidget(tableParent))
    , m_layout(new QVBoxLayout(m_table))
{
    m_table->setObjectName(QStringLiteral("searchTable"));
    m_table->setAcceptDrops(true);
    m_table->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_table->installEventFilter(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    connect(m_table, &QObject::destroyed, this, [this] {
        m_table = nullptr;
        m_rows.clear();
    });
}

TBSearchCriteriaTableController::~TBSearchCriteriaTableController()
{
    if (m_table)
        m_table->removeEventFilter(this);
    for (TBSearchCriteriaRow* view : std::as_const(m_rows))
        view->dataField()->removeEventFilter(this);
}

// Rows

TBSearchCriteriaPtr TBSearchCriteriaTableController::criteria() const
{
    return m_owner ? m_owner->criteriaForController(const_cast<TBSearchCriteriaTableController*>(this))
                   : TBSearchCriteriaPtr();
}

TBSearchItemPtr TBSearchCriteriaTableController::itemAtRow(int row) const
{
    const TBSearchCriteriaPtr list = criteria();
    return list ? list->searchItemAtIndex(row) : TBSearchItemPtr();
}

TBSearchCriteriaRow* TBSearchCriteriaTableController::rowView(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

int TBSearchCriteriaTableController::rowForView(const QWidget* view) const
{
    for (const QWidget* widget = view; widget && widget != m_table; widget = widget->parentWidget()) {
        const qsizetype row = m_rows.indexOf(qobject_cast<TBSearchCriteriaRow*>(const_cast<QWidget*>(widget)));
        if (row >= 0)
            return int(row);
    }
    return -1;
}

int TBSearchCriteriaTableController::rowHeight() const
{
    if (!m_rows.isEmpty())
        return m_rows.first()->height() + m_layout->spacing();
    TBSearchCriteriaRow probe;
    return probe.height() + m_layout->spacing();
}

TBSearchCriteriaRow* TBSearchCriteriaTableController::makeRow()
{
    auto* view = new TBSearchCriteriaRow(m_table);
    connect(view->attrPopUp(), &QComboBox::activated, this, [this, view] {
        if (m_owner)
            m_owner->changedAttrPopUp(view->attrPopUp());
    });
    connect(view->typePopUp(), &QComboBox::activated, this, [this, view] {
        if (m_owner)
            m_owner->changedTypePopUp(view->typePopUp());
    });
    connect(view->addButton(), &QToolButton::clicked, this, [this, view] {
        if (m_owner)
            m_owner->addSearchItem(view->addButton());
    });
    connect(view->delButton(), &QToolButton::clicked, this, [this, view] {
        if (m_owner)
            m_owner->delSearchItem(view->delButton());
    });
    connect(view->dataField(), &QLineEdit::textEdited, this, [this, view] {
        if (m_owner)
            m_owner->searchItemTextDidChange(view->dataField());
    });
    view->dataField()->installEventFilter(this);
    return view;
}

void TBSearchCriteriaTableController::reloadData()
{
    if (!m_table)
        return;
    const TBSearchCriteriaPtr list = criteria();
    const int oldCount = numberOfRows();
    const int newCount = list ? int(list->numSearchItems()) : 0;
    while (m_rows.size() > newCount) {
        TBSearchCriteriaRow* view = m_rows.takeLast();
        view->hide();
        view->deleteLater();
    }
    while (m_rows.size() < newCount) {
        TBSearchCriteriaRow* view = makeRow();
        m_layout->addWidget(view);
        m_rows.append(view);
        view->show();
    }
    for (int row = 0; row < newCount; ++row)
        fillRow(m_rows.at(row), list->searchItemAtIndex(row), newCount);
    m_table->setFixedHeight(newCount * rowHeight());
    if (oldCount != newCount)
        Q_EMIT numberOfRowsChanged(oldCount, newCount);
}

void TBSearchCriteriaTableController::reloadDataForRow(int row)
{
    const TBSearchCriteriaPtr list = criteria();
    if (!list || row < 0 || row >= m_rows.size() || row >= list->numSearchItems())
        return;
    fillRow(m_rows.at(row), list->searchItemAtIndex(row), int(list->numSearchItems()));
}

void TBSearchCriteriaTableController::fillRow(TBSearchCriteriaRow* view, const TBSearchItemPtr& item, int numberOfItems)
{
    if (!view || !item)
        return;
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    TBAttributePtr attribute = prefs->attributeWithName(item->searchAttr());
    if (!attribute) {
        TBLog(QStringLiteral("Attribute \"%1\" unknown. Adding default to menu instead.").arg(item->searchAttr()));
        attribute = prefs->attributeWithName(QStringLiteral("unknownattribute"));
    }

    // Attribute pop-up: the basic attributes, a separator, the item's own attribute when it is
    // not one of them, and "Other…".
    QComboBox* attrPopUp = view->attrPopUp();
    const QSignalBlocker attrBlocker(attrPopUp);
    attrPopUp->clear();
    const bool friendly = prefs->showFriendlyAttrs();
    for (const QString& name : QStringList(prefs->basicAttributes())) {
        const TBAttributePtr basic = prefs->attributeWithName(name);
        if (!basic)
            continue;
        const QString friendlyName = basic->friendlyName();
        const bool useFriendly = friendly && !friendlyName.isEmpty();
        attrPopUp->addItem(useFriendly ? friendlyName : basic->attributeName(), basic->attributeID());
        attrPopUp->setItemData(attrPopUp->count() - 1, useFriendly ? basic->attributeName() : friendlyName,
                               Qt::ToolTipRole);
    }
    attrPopUp->insertSeparator(attrPopUp->count());
    int selected = attribute ? attrPopUp->findData(attribute->attributeID()) : -1;
    if (selected < 0) {
        if (attribute) {
            const QString friendlyName = attribute->friendlyName();
            const bool useFriendly = friendly && !friendlyName.isEmpty();
            attrPopUp->addItem(useFriendly ? friendlyName : attribute->attributeName(), attribute->attributeID());
            attrPopUp->setItemData(attrPopUp->count() - 1, useFriendly ? friendlyName : QString(), Qt::ToolTipRole);
        } else {
            // Not even a stand-in in the registry: show the name the item holds, unchanged.
            attrPopUp->addItem(item->searchAttr(), unknownAttributeTag);
        }
        selected = attrPopUp->count() - 1;
    }
    attrPopUp->addItem(QStringLiteral("Other\u2026"), otherAttributeTag);
    attrPopUp->setCurrentIndex(selected);

    // Comparison pop-up: pictures and binary values can only be there or missing.
    QComboBox* typePopUp = view->typePopUp();
    const QSignalBlocker typeBlocker(typePopUp);
    const QString attributeName = attribute ? attribute->attributeName() : item->searchAttr();
    const bool onlyPresence = prefs->isBinaryAttribute(attributeName) || prefs->isImageAttribute(attributeName);
    for (int index = 0; index < typePopUp->count(); ++index)
        setItemEnabled(typePopUp, index,
                       !onlyPresence || index == TBSearchTypeExists || index == TBSearchTypeIsMissing);
    if (onlyPresence && takesText(item))
        item->setSearchType(TBSearchTypeExists);
    // -1 is a stored "nothing chosen": the row reused from another item must not keep its choice.
    const bool chosen = item->searchType() >= 0 && item->searchType() < typePopUp->count();
    typePopUp->setCurrentIndex(chosen ? int(item->searchType()) : -1);

    QLineEdit* field = view->dataField();
    const bool open = takesText(item);
    const QString text = open ? item->searchText() : item->anyOrMissingString();
    if (field->text() != text)
        field->setText(text);
    field->setEnabled(open);
    field->setVisible(open);

    for (QWidget* control : {static_cast<QWidget*>(attrPopUp), static_cast<QWidget*>(typePopUp)})
        control->setEnabled(true);
    view->addButton()->setEnabled(numberOfItems < maximumNumberOfRows);
    view->delButton()->setEnabled(numberOfItems > 1);
}

// Navigation

bool TBSearchCriteriaTableController::isOpenRow(int row) const
{
    return takesText(itemAtRow(row));
}

bool TBSearchCriteriaTableController::isEmptyRow(int row) const
{
    const TBSearchItemPtr item = itemAtRow(row);
    return takesText(item) && item->searchText().isEmpty();
}

int TBSearchCriteriaTableController::nextSelectableTextForRow(int row) const
{
    const TBSearchCriteriaPtr list = criteria();
    const int count = list ? int(list->numSearchItems()) : 0;
    for (int r = std::max(row + 1, 0); r < count; ++r) {
        if (isOpenRow(r))
            return r;
    }
    if (m_externalView)
        return -1;
    if (row < 0)
        return row;
    for (int r = 0; r <= row && r < count; ++r) {
        if (isOpenRow(r))
            return r;
    }
    return row;
}

int TBSearchCriteriaTableController::prevSelectableTextForRow(int row) const
{
    const TBSearchCriteriaPtr list = criteria();
    const int count = list ? int(list->numSearchItems()) : 0;
    for (int r = std::min(row - 1, count - 1); r >= 0; --r) {
        if (isOpenRow(r))
            return r;
    }
    for (int r = count - 1; r > row; --r) {
        if (isOpenRow(r))
            return r;
    }
    return row;
}

int TBSearchCriteriaTableController::nextEmptyTextForRow(int row) const
{
    const TBSearchCriteriaPtr list = criteria();
    const int count = list ? int(list->numSearchItems()) : 0;
    for (int r = std::max(row + 1, 0); r < count; ++r) {
        if (isEmptyRow(r))
            return r;
    }
    if (row >= 0) {
        for (int r = 0; r <= row && r < count; ++r) {
            if (isEmptyRow(r))
                return r;
        }
    }
    return -1;
}

int TBSearchCriteriaTableController::prevEmptyTextForRow(int row) const
{
    const TBSearchCriteriaPtr list = criteria();
    const int count = list ? int(list->numSearchItems()) : 0;
    for (int r = std::min(row - 1, count - 1); r >= 0; --r) {
        if (isEmptyRow(r))
            return r;
    }
    for (int r = count - 1; r > row; --r) {
        if (isEmptyRow(r))
            return r;
    }
    return -1;
}

void TBSearchCriteriaTableController::enter(QLineEdit* field, bool shift)
{
    if (!m_owner)
        return;
    const int row = rowForView(field);
    if (row < 0)
        return;
    const int target = shift ? prevEmptyTextForRow(row) : nextEmptyTextForRow(row);
    if (target >= 0)
        m_owner->selectSearchTextForRow(target);
    else
        m_owner->searchItemEnter(field);
}

void TBSearchCriteriaTableController::selectSearchTextForRow(int row)
{
    TBSearchCriteriaRow* view = rowView(row);
    if (!view)
        return;
    QLineEdit* field = view->dataField();
    if (!field->isHidden()) {
        field->setFocus(Qt::TabFocusReason);
        field->selectAll();
    } else {
        view->attrPopUp()->setFocus(Qt::TabFocusReason);
    }
}

// Edits

qint64 TBSearchCriteriaTableController::selectedTag(const QComboBox* popUp)
{
    const QVariant tag = popUp ? popUp->currentData() : QVariant();
    return tag.isValid() ? tag.toLongLong() : unknownAttributeTag;
}

bool TBSearchCriteriaTableController::insertSearchItemAfterRow(int row)
{
    const TBSearchCriteriaPtr list = criteria();
    if (!list || list->numSearchItems() >= maximumNumberOfRows || row < 0 || row >= list->numSearchItems())
        return false;
    list->insertSearchItem(TBSearchItem::searchItem(TBPreferences::sharedPreferences()->lastSelectedAttribute()),
                           row + 1);
    reloadData();
    selectSearchTextForRow(row + 1);
    return true;
}

bool TBSearchCriteriaTableController::removeSearchItemAtRow(int row)
{
    const TBSearchCriteriaPtr list = criteria();
    if (!list || list->numSearchItems() <= 1 || row < 0 || row >= list->numSearchItems())
        return false;
    list->removeSearchItemAtIndex(row);
    reloadData();
    selectSearchTextForRow(std::min(row, int(list->numSearchItems()) - 1));
    return true;
}

bool TBSearchCriteriaTableController::setAttributeIDForRow(int row, qint64 attributeID)
{
    TBPreferences* prefs = TBPreferences::sharedPreferences();
    const TBAttributePtr attribute = prefs->attributeWithID(attributeID);
    const TBSearchItemPtr item = itemAtRow(row);
    if (!attribute || !item)
        return false;
    item->setSearchAttr(attribute->attributeName());
    prefs->setLastSelectedAttribute(attribute->attributeName());
    reloadDataForRow(row);
    selectSearchTextForRow(row);
    return true;
}

void TBSearchCriteriaTableController::setSearchTypeForRow(int row, qint64 searchType)
{
    const TBSearchItemPtr item = itemAtRow(row);
    if (!item || searchType < TBSearchTypeIs || searchType > TBSearchTypeIsMissing)
        return;
    item->setSearchType(searchType);
    reloadDataForRow(row);
    selectSearchTextForRow(row);
}

void TBSearchCriteriaTableController::applyAttrPopUp(const QComboBox* popUp)
{
    const int row = rowForView(popUp);
    if (row < 0)
        return;
    const qint64 tag = selectedTag(popUp);
    if (tag == otherAttributeTag)
        getOtherAttributeForRow(row);
    else
        setAttributeIDForRow(row, tag);
}

void TBSearchCriteriaTableController::applyTypePopUp(const QComboBox* popUp)
{
    const int row = rowForView(popUp);
    if (row >= 0)
        setSearchTypeForRow(row, popUp->currentIndex());
}

void TBSearchCriteriaTableController::applyAddButton(const QAbstractButton* button)
{
    const int row = rowForView(button);
    if (row >= 0)
        insertSearchItemAfterRow(row);
}

void TBSearchCriteriaTableController::applyDelButton(const QAbstractButton* button)
{
    const int row = rowForView(button);
    if (row >= 0)
        removeSearchItemAtRow(row);
}

void TBSearchCriteriaTableController::applyTextField(const QLineEdit* field)
{
    const TBSearchItemPtr item = itemAtRow(rowForView(field));
    if (item)
        item->setSearchText(field->text());
}

void TBSearchCriteriaTableController::getOtherAttributeForRow(int row)
{
    const TBSearchItemPtr item = itemAtRow(row);
    if (!item || !m_table)
        return;
    if (!m_otherSheet)
        m_otherSheet = new TBOtherAttributeSheet(m_table->window());
    TBOtherAttributeSheet* sheet = m_otherSheet;
    sheet->disconnect(this);
    sheet->updateOtherAttrPopupButton();
    sheet->selectAttributeNamed(item->searchAttr());
    connect(sheet, &QDialog::finished, this, [this, sheet, row](int result) {
        sheet->disconnect(this);
        const bool accepted = result == QDialog::Accepted && setAttributeIDForRow(row, sheet->selectedAttributeID());
        if (!accepted) {
            // The row's pop-up shows its own attribute again, not "Other…".
            reloadDataForRow(row);
            selectSearchTextForRow(row);
        }
        Q_EMIT otherAttributeSheetClosed(row, accepted);
    });
    sheet->open();
}

TBOtherAttributeSheet* TBSearchCriteriaTableController::otherAttributeSheet() const
{
    return m_otherSheet.data();
}

// Drops

bool TBSearchCriteriaTableController::canAcceptDrop(const QMimeData* data)
{
    return data && data->hasFormat(searchCriteriaDragType);
}

bool TBSearchCriteriaTableController::acceptDrop(const QMimeData* data)
{
    if (!canAcceptDrop(data) || !m_owner)
        return false;
    const TBSearchCriteriaPtr dropped = TBSearchCriteria::searchCriteriaWithArchive(
        data->data(searchCriteriaDragType), TBPreferences::sharedPreferences()->lastSelectedAttribute());
    if (!dropped)
        return false;
    m_owner->useCriteriaFromController(dropped);
    return true;
}

bool TBSearchCriteriaTableController::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        // A saved search lands on the table as a whole, wherever it is dropped.
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!canAcceptDrop(drag->mimeData()))
            break;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!canAcceptDrop(drop->mimeData()))
            break;
        if (acceptDrop(drop->mimeData())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    case QEvent::KeyPress: {
        auto* field = qobject_cast<QLineEdit*>(watched);
        const int row = field ? rowForView(field) : -1;
        if (row < 0 || !m_owner)
            break;
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Tab:
            if (key->modifiers() & Qt::ShiftModifier)
                m_owner->selectSearchTextForRow(prevSelectableTextForRow(row));
            else
                m_owner->selectSearchTextForRow(nextSelectableTextForRow(row));
            return true;
        case Qt::Key_Backtab:
            m_owner->selectSearchTextForRow(prevSelectableTextForRow(row));
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            enter(field, key->modifiers() & Qt::ShiftModifier);
            return true;
        case Qt::Key_Escape:
            if (!m_owner->respondsToSearchItemCancel())
                break;
            m_owner->searchItemCancel();
            return true;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
