// The address of the status page, as --http gives it.
#pragma once

#include <QHostAddress>
#include <QString>

namespace status {

// The port taken by an address given without one.
inline constexpr quint16 kDefaultHttpPort = 8754;

// Parses the value of --http: "ADDRESS:PORT", "ADDRESS" (port kDefaultHttpPort), "PORT"
// (127.0.0.1), "[IPV6]:PORT" or "[IPV6]". Port 0 asks for any free port. Returns false with
// `error` set for anything else.
bool ParseHttpEndpoint(const QString& text, QHostAddress& address, quint16& port, QString& error);

} // namespace status
