#include "HttpEndpoint.h"

#include <algorithm>

namespace status {

bool ParseHttpEndpoint(const QString& text, QHostAddress& address, quint16& port, QString& error)
{
    QString host = text;
    QString portText;
    bool portOnly = false;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 0) {
            error = "--http: a missing ']' in " + text;
            return false;
        }
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(':')) {
                error = "--http takes ADDRESS:PORT, not " + text;
                return false;
            }
            portText = rest.mid(1);
        }
    } else if (text.count(':') == 1) {
        const qsizetype colon = text.indexOf(':');
        host = text.left(colon);
        portText = text.mid(colon + 1);
    } else if (!text.isEmpty() && !text.contains(':') && !text.contains('.')
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); })) {
        portOnly = true;
        portText = text;
        host = "127.0.0.1";
    }
    if (host == "localhost")
        host = "127.0.0.1";
    if (!address.setAddress(host)) {
        error = "--http takes a numeric address (ADDRESS:PORT, ADDRESS or PORT), not " + text;
        return false;
    }
    port = kDefaultHttpPort;
    if (!portText.isEmpty() || (!portOnly && text.endsWith(':'))) {
        bool number = false;
        const uint value = portText.toUInt(&number);
        const bool digits = !portText.isEmpty()
            && std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); });
        if (!digits || !number || value > 65535) {
            error = "--http takes a port number from 0 to 65535, not " + portText;
            return false;
        }
        port = static_cast<quint16>(value);
    }
    return true;
}

} // namespace status
