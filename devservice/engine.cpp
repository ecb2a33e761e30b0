#include "engine.h"

#include <QFile>

namespace {
void appendJsonString(QByteArray& out, const char* utf8, int size)
{
    out += '"';
    for (int i = 0; i < size; ++i) {
        const char c = utf8[i];
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out += QByteArray("\\u00") + QByteArray::number(static_cast<unsigned char>(c), 16)
                                                 .rightJustified(2, '0');
            else
                out += c;
        }
    }
    out += '"';
}
} // namespace

void JsonRows::beginRow()
{
    if (!m_firstRow)
        m_json += "},";
    m_json += '{';
    m_firstRow = false;
    m_firstValue = true;
}

void JsonRows::add(const char* name, const char* value, int size)
{
    if (!m_firstValue)
        m_json += ',';
    m_firstValue = false;
    appendJsonString(m_json, name, int(qstrlen(name)));
    m_json += ':';
    if (value)
        appendJsonString(m_json, value, size);
    else
        m_json += "null";
}

QByteArray JsonRows::finish()
{
    m_json += m_firstRow ? "]" : "}]";
    return m_json;
}

QString resourceText(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
