#pragma once

// A real web server on the loopback address for the tests that download: the server of
// tests/support/test_web_server.py, started and stopped by the test.

#include <QProcess>
#include <QString>

namespace savrona::testing {

// The server of tests/support/test_web_server.py, for one test suite.
class LocalWebServer {
public:
    LocalWebServer() {
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(SAVRONA_TESTS_DIR "/support/test_web_server.py")});
        if (m_process.waitForReadyRead(10000))
            m_port = m_process.readLine().trimmed().toInt();
    }
    ~LocalWebServer() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    QString address(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    bool isUp() const { return m_port > 0; }

private:
    QProcess m_process;
    int m_port = 0;
};

} // namespace savrona::testing
