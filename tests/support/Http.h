#pragma once

#include <QByteArray>
#include <QStringList>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

// What a scraper gets from http://127.0.0.1:port/path: the whole answer; empty when nothing answers.
inline QByteArray httpGet(int port, const char* path) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        const QByteArray request = QByteArray("GET ") + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::write(fd, request.constData(), static_cast<std::size_t>(request.size())) == request.size()) {
            char buffer[4096];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                answer.append(buffer, n);
        }
    }
    ::close(fd);
    return answer;
}

// A series' value in what a scrape answers ("name{labels}" as written before it); -1 when it is not there.
inline double sample(QByteArrayView text, const QString& name) {
    for (const QString& line : QString::fromUtf8(text).split(u'\n'))
        if (line.startsWith(name + u' ')) return line.section(u' ', 1).toDouble();
    return -1;
}
