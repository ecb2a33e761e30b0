#pragma once

#include "options.h"
#include "engine.h"

#include <QFile>

#include <memory>
#include <mutex>

namespace httplib {
class Server;
struct Request;
struct Response;
}

// The HTTP (or, given a certificate, HTTPS) face of the stand-in: POST /api/
// runs SQL, GET serves files.
class HttpService
{
public:
    HttpService(const Options& options, Engine& engine);
    ~HttpService();

    // Binds the address; answers the port taken, or -1 (also when the TLS
    // certificate or key could not be loaded).
    int bind();
    // Serves until the process ends.
    bool serve();

private:
    void installHandlers();
    void record(const httplib::Request& request);
    void recordBeforeAnswer(const httplib::Request& request);
    void serveFile(const QString& path, const httplib::Request& request,
                   httplib::Response& response);

    Options m_options;
    Engine& m_engine;
    std::unique_ptr<httplib::Server> m_server;
    QFile m_record;
    std::mutex m_recordMutex;
    bool m_tlsValid = true;
};
