#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// The stand-in of the dealer's service on the address the client under test
// was built with, 127.0.0.1:18765, with its demo data and every request
// recorded. Tests that use it hold the CTest resource lock devservice_port.
class BuiltPortService
{
public:
    static constexpr int port = 18765;

    BuiltPortService() = default;
    ~BuiltPortService();

    // Answers once the stand-in listens.
    bool start();
    // The SQL texts received so far, in the order their answers went out.
    QStringList statements() const;
    // Runs a statement of the test's own through the API; false on an error
    // answer. Once it shows in statements(), every request answered before
    // it was sent shows there too.
    bool post(const QString& statement) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};
