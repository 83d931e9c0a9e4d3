#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class TBDocument;

// Keeps the open documents and makes new ones by type name ("Search", "Browse"). Documents are
// always untitled: they are titled after their kind, "Tamblin — Search", "Tamblin — Search 2",
// "Tamblin — Browse", ... in the order they open.
class TBDocumentController : public QObject
{
    Q_OBJECT
public:
    using Factory = std::function<TBDocument*()>;

    explicit TBDocumentController(QObject* parent = nullptr);
    // Deletes the documents still open.
    ~TBDocumentController() override;

    void registerDocumentType(const QString& typeName, Factory factory);
    bool hasDocumentType(const QString& typeName) const { return m_factories.contains(typeName); }
    QStringList documentTypes() const { return m_typeOrder; }

    // Makes a document of the type, builds its window and adds it; nullptr for an unknown type.
    // The window is not shown.
    TBDocument* makeUntitledDocumentOfType(const QString& typeName);
    void addDocument(TBDocument* document, const QString& typeName);

    QList<TBDocument*> documents() const;
    QList<TBDocument*> documentsOfType(const QString& typeName) const;
    QString typeNameOfDocument(const TBDocument* document) const;

Q_SIGNALS:
    void documentAdded(TBDocument* document);
    void documentRemoved(TBDocument* document);

private:
    QString untitledTitle(const QString& typeName) const;

    QHash<QString, Factory> m_factories;
    QStringList m_typeOrder;
    struct Entry
    {
        QPointer<TBDocument> document;
        QString typeName;
    };
    QList<Entry> m_documents;
};
