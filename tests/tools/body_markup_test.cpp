#include "tools/body_markup.h"

#include <QTextDocument>
#include <gtest/gtest.h>

namespace ombrix::standin {
namespace {

// The text a reader sees of the rich text, line breaks as '\n'.
QString shownText(const QString& richText) {
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText().replace(QChar::LineSeparator, QLatin1Char('\n'));
}

TEST(BodyMarkup, KeepsTheAllowedTagsAndOnlyTheirAllowedAttributes) {
    const QString html = richTextFromBodyMarkup(
        QStringLiteral("<b style=\"color:red\">bold</b> <i>it</i> <u>under</u> "
                       "<a href=\"https://example.org/\" onclick=\"x()\">link</a> "
                       "<img src=\"file:///tmp/p.png\" alt=\"picture\" width=\"900\"/>"));
    EXPECT_TRUE(html.contains(QStringLiteral("<b>bold</b>"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<i>it</i>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<u>under</u>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"https://example.org/\">link</a>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<img src=\"file:///tmp/p.png\" alt=\"picture\"/>")))
        << html.toStdString();
    for (const char* dropped : {"style", "onclick", "width"})
        EXPECT_FALSE(html.contains(QLatin1String(dropped))) << dropped;
}

TEST(BodyMarkup, DropsOtherTagsButKeepsTheirText) {
    const QString html = richTextFromBodyMarkup(
        QStringLiteral("<font size=\"7\">big</font> <span><b>nested</b></span><h1>head</h1>"));
    EXPECT_EQ(shownText(html), QStringLiteral("big nestedhead"));
    for (const char* dropped : {"font", "span", "h1", "size"})
        EXPECT_FALSE(html.contains(QLatin1String(dropped))) << dropped;
    EXPECT_TRUE(html.contains(QStringLiteral("<b>nested</b>")));
}

TEST(BodyMarkup, ShowsEntitiesAsTheirCharactersAndKeepsLineBreaks) {
    const QString html = richTextFromBodyMarkup(
        QStringLiteral("Tom &amp; Jerry\nQ3 &lt;budget&gt; &#39;plans&#39; &quot;x&quot;"));
    EXPECT_EQ(shownText(html), QStringLiteral("Tom & Jerry\nQ3 <budget> 'plans' \"x\""));
}

TEST(BodyMarkup, ShowsABodyThatIsNotMarkupAsPlainText) {
    const QString body = QStringLiteral("a < b & c\n<b>unclosed");
    EXPECT_EQ(shownText(richTextFromBodyMarkup(body)), body);
    EXPECT_EQ(shownText(richTextFromPlain(QStringLiteral("<i>not markup</i> & more"))),
              QStringLiteral("<i>not markup</i> & more"));
}

} // namespace
} // namespace ombrix::standin
