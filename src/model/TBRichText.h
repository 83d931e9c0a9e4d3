#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QTextCharFormat>

class QTextCursor;
class QTextDocument;

// One piece of styled text: characters in one format, or one picture.
struct TBTextRun
{
    QString text; // empty for a picture
    QTextCharFormat format;
    QImage image; // not null for a picture
    QString fileName; // a picture's file name ("Photo_1.jpg"); empty when it has no JPEG form

    bool isImage() const { return !image.isNull(); }
};

// Styled text as a list of runs: cheap to keep per entry and cheap to insert into any number of
// QTextDocuments (the Details text appends many entries to one document). Pictures carry the file
// name they get when written into a package.
class TBRichText
{
public:
    // The text format property holding a picture's file name in a QTextDocument.
    static constexpr int FileNameProperty = QTextFormat::UserProperty + 1;
    // The character that stands for a picture in plain text.
    static constexpr QChar ObjectReplacementCharacter = QChar(0xFFFC);

    void append(const QString& text, const QTextCharFormat& format);
    void appendImage(const QImage& image, const QString& fileName, const QTextCharFormat& format);
    void append(const TBRichText& other);
    void clear() { m_runs.clear(); }

    bool isEmpty() const { return m_runs.isEmpty(); }
    const QList<TBTextRun>& runs() const { return m_runs; }
    qsizetype imageCount() const;

    // The characters, a picture as U+FFFC.
    QString plainText() const;
    // The characters without the pictures.
    QString plainTextWithoutImages() const;

    // Inserts the text at the cursor; pictures become image resources of the cursor's document,
    // under names unique within the process so several entries' Photo_1.jpg can share a document.
    void insertInto(QTextCursor& cursor) const;
    void appendTo(QTextDocument* document) const;
    // Reads a document back into runs, pictures included (those inserted by insertInto keep
    // their file names).
    static TBRichText fromDocument(const QTextDocument& document);

    // The picture as JPEG at the highest quality; empty (with the encoder's reason) when it
    // cannot be encoded.
    static QByteArray jpegData(const QImage& image, QString* errorString = nullptr);
    // Whether pictures can be encoded as JPEG here at all.
    static bool canEncodeJPEG();

private:
    QList<TBTextRun> m_runs;
};
