#include "TBDocumentController.h"

#include "TBDocument.h"

TBDocumentController::TBDocumentController(QObject* parent)
    : QObject(parent)
{ }

TBDocumentController::~TBDocumentController()
{
    const QList<TBDocument*> open = documents();
    m_documents.clear();
    qDeleteAll(open);
}

void TBDocumentController::registerDocumentType(const QString& typeName, Factory factory)
{
    if (!m_factories.contains(typeName))
        m_typeOrder.append(typeName);
    m_factories.insert(typeName, std::move(factory));
}

TBDocument* TBDocumentController::makeUntitledDocumentOfType(const QString& typeName)
{
    const auto it = m_factories.constFind(typeName);
    if (it == m_factories.constEnd() || !*it)
        return nullptr;
    TBDocument* document = (*it)();
    if (!document)
        return nullptr;
    document->loadWindow();
    document->setWindowTitle(untitledTitle(typeName));
    addDocument(document, typeName);
    return document;
}

void TBDocumentController::addDocument(TBDocument* document, const QString& typeName)
{
    if (!document)
        return;
    m_documents.append({document, typeName});
    connect(document, &QObject::destroyed, this, [this](QObject* object) {
        for (qsizetype i = m_documents.size() - 1; i >= 0; --i) {
            if (!m_documents.at(i).document || m_documents.at(i).document == object)
                m_documents.removeAt(i);
        }
        Q_EMIT documentRemoved(static_cast<TBDocument*>(object));
    });
    Q_EMIT documentAdded(document);
}

QList<TBDocument*> TBDocumentController::documents() const
{
    QList<TBDocument*> result;
    for (const Entry& entry : m_documents) {
        if (entry.document)
            result.append(entry.document);
    }
    return result;
}

QList<TBDocument*> TBDocumentController::documentsOfType(const QString& typeName) const
{
    QList<TBDocument*> result;
    for (const Entry& entry : m_documents) {
        if (entry.document && entry.typeName == typeName)
            result.append(entry.document);
    }
    return result;
}

QString TBDocumentController::typeNameOfDocument(const TBDocument* document) const
{
    for (const Entry& entry : m_documents) {
        if (entry.document == document)
            return entry.typeName;
    }
    return QString();
}

QString TBDocumentController::untitledTitle(const QString& typeName) const
{
    // Named after the kind of window, numbered by the lowest number no open window of that kind
    // uses: "Tamblin — Search", then "Tamblin — Search 2", ...
    const QString base = QStringLiteral("%1 \u2014 %2").arg(TBDocument::defaultDraftName(), typeName);
    QStringList used;
    for (const TBDocument* document : documents())
        used.append(document->windowTitle());
    if (!used.contains(base))
        return base;
    for (int n = 2;; ++n) {
        const QString title = QStringLiteral("%1 %2").arg(base).arg(n);
        if (!used.contains(title))
            return title;
    }
}
