#include "tools/body_markup.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace ombrix::standin {
namespace {

// The attributes each kept element may carry.
QStringList allowedAttributes(QStringView element) {
    if (element == u"a")
        return {QStringLiteral("href")};
    if (element == u"img")
        return {QStringLiteral("src"), QStringLiteral("alt")};
    if (element == u"b" || element == u"i" || element == u"u")
        return {QString()}; // kept, without attributes
    return {};
}

void writeText(QXmlStreamWriter& out, QStringView text) {
    const auto lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out.writeEmptyElement(QStringLiteral("br"));
        out.writeCharacters(lines[i].toString());
    }
}

} // namespace

QString richTextFromBodyMarkup(const QString& body) {
    // Entities such as &#39; are XML's; the wrapper gives the fragment a root.
    QXmlStreamReader in(QStringLiteral("<body>") + body + QStringLiteral("</body>"));
    QString html;
    QXmlStreamWriter out(&html);
    QList<bool> kept; // per open element: written out or dropped
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QStringList allowed = allowedAttributes(in.name());
            const bool keep = !allowed.isEmpty();
            kept << keep;
            if (!keep)
                break;
            out.writeStartElement(in.name().toString());
            for (const QXmlStreamAttribute& attribute : in.attributes())
                if (allowed.contains(attribute.name().toString()))
                    out.writeAttribute(attribute.name().toString(), attribute.value().toString());
            break;
        }
        case QXmlStreamReader::EndElement:
            if (!kept.isEmpty() && kept.takeLast())
                out.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            writeText(out, in.text());
            break;
        default:
            break;
        }
    }
    if (in.hasError())
        return richTextFromPlain(body);
    return html;
}

QString richTextFromPlain(const QString& text) {
    QString html;
    QXmlStreamWriter out(&html);
    writeText(out, text);
    return html;
}

} // namespace ombrix::standin
