#include "TBFonts.h"

#include <QBrush>
#include <QFont>
#include <QFontDatabase>
#include <QMutex>
#include <QMutexLocker>

#include <mutex>

struct TBFonts::Styles
{
    QTextCharFormat display;
    QTextCharFormat displayBold;
    QTextCharFormat displayFixed;
    QTextCharFormat print;
    QTextCharFormat printBold;
    QTextCharFormat printFixed;
    QTextCharFormat gray;
    QTextCharFormat red;
    QTextOption halfInchTab;
    QTextOption quarterInchTab;
};

namespace {

QMutex s_stylesLock;

QTextCharFormat formatWithFont(const QFont& font)
{
    QTextCharFormat format;
    format.setFont(font);
    return format;
}

QFont withPointSize(QFont font, qreal points)
{
    font.setPointSizeF(points);
    return font;
}

QFont bold(QFont font)
{
    font.setBold(true);
    return font;
}

QTextOption tabOption(qreal interval)
{
    QTextOption option;
    option.setTabStopDistance(interval);
    option.setWrapMode(QTextOption::NoWrap);
    return option;
}

} // namespace

TBFonts::TBFonts() = default;

TBFonts* TBFonts::sharedInstance()
{
    static std::once_flag once;
    static TBFonts* instance = nullptr;
    std::call_once(once, [] { instance = new TBFonts; });
    return instance;
}

QColor TBFonts::grayTextColor()
{
    return QColor(170, 170, 170);
}

QColor TBFonts::redTextColor()
{
    return QColor(255, 0, 0);
}

const TBFonts::Styles& TBFonts::styles()
{
    // Built once, all together, so a reader never sees half a table.
    if (const Styles* ready = m_styles.load(std::memory_order_acquire))
        return *ready;
    QMutexLocker locker(&s_stylesLock);
    if (const Styles* ready = m_styles.load(std::memory_order_acquire))
        return *ready;
    auto* s = new Styles;
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    s->display = formatWithFont(general);
    s->displayBold = formatWithFont(bold(general));
    s->displayFixed = formatWithFont(fixed);
    s->print = formatWithFont(withPointSize(general, 10));
    s->printBold = formatWithFont(bold(withPointSize(general, 10)));
    s->printFixed = formatWithFont(withPointSize(fixed, 9));
    s->gray = formatWithFont(general);
    s->gray.setForeground(QBrush(grayTextColor()));
    s->red = formatWithFont(general);
    s->red.setForeground(QBrush(redTextColor()));
    s->halfInchTab = tabOption(36);
    s->quarterInchTab = tabOption(18);
    m_styles.store(s, std::memory_order_release);
    return *s;
}

const QTextCharFormat& TBFonts::displayFontAttributes()
{
    return sharedInstance()->styles().display;
}

const QTextCharFormat& TBFonts::displayBoldFontAttributes()
{
    return sharedInstance()->styles().displayBold;
}

const QTextCharFormat& TBFonts::displayFixedFontAttributes()
{
    return sharedInstance()->styles().displayFixed;
}

const QTextCharFormat& TBFonts::printFontAttributes()
{
    return sharedInstance()->styles().print;
}

const QTextCharFormat& TBFonts::printBoldFontAttributes()
{
    return sharedInstance()->styles().printBold;
}

const QTextCharFormat& TBFonts::printFixedFontAttributes()
{
    return sharedInstance()->styles().printFixed;
}

const QTextCharFormat& TBFonts::grayFontAttributes()
{
    return sharedInstance()->styles().gray;
}

const QTextCharFormat& TBFonts::redFontAttributes()
{
    return sharedInstance()->styles().red;
}

const QTextOption& TBFonts::halfInchTabAttributes()
{
    return sharedInstance()->styles().halfInchTab;
}

const QTextOption& TBFonts::quarterInchTabAttributes()
{
    return sharedInstance()->styles().quarterInchTab;
}
