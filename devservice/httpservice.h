#pragma once

#include "options.h"
#include "sqlengine.h"

#include <QFile>

#include <memory>
#include <mutex>

namespace httplib {
class Server;
struct Request;
}

// The HTTP face of the stand-in: POST /api/ runs SQL, GET serves files.
class HttpService
{
public:
    HttpService(const Options& options, SqlEngine& engine);
    ~HttpService();

    // Binds the address; answers the port taken, or -1.
    int bind();
    // Serves until the process ends.
    bool serve();

private:
    void installHandlers();
    void record(const httplib::Request& request);
    void recordBeforeAnswer(const httplib::Request& request);

    Options m_options;
    SqlEngine& m_engine;
    std::unique_ptr<httplib::Server> m_server;
    QFile m_record;
    std::mutex m_recordMutex;
};
