#include "httpservice.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QDateTime>

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

// Resolves a requested path below the files folder; empty when it would
// leave the folder or names no regular file.
QString servedFile(const QString& root, const std::string& requestPath)
{
    if (root.isEmpty())
        return QString();
    const QString relative = QString::fromStdString(requestPath).mid(1);
    const QString rootPath = QDir(root).canonicalPath();
    const QFileInfo info(QDir(rootPath).filePath(relative));
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty() || !info.isFile() || !canonical.startsWith(rootPath + QLatin1Char('/')))
        return QString();
    return canonical;
}

// A strong validator of the file's current version, and its date.
std::string etagOf(const QFileInfo& info)
{
    return QStringLiteral("\"%1-%2\"")
        .arg(info.size(), 0, 16)
        .arg(info.lastModified().toMSecsSinceEpoch(), 0, 16)
        .toStdString();
}

std::string httpDateOf(const QFileInfo& info)
{
    return QLocale::c()
        .toString(info.lastModified().toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toStdString();
}

// A thread of its own for every connection: a client kept alive between
// two of its requests then holds only its own thread, and as many clients
// are answered at once as connect, as behind a web server whose back end
// holds many connections, few of them busy. Connections end within the
// keep-alive time once idle, so the threads end with them.
// cpp-httplib listens with a queue of 5 connections: more clients than that
// connecting at once would wait a second for their next try. Listening again
// on the bound socket only widens its queue.
void widenListenQueue(int port)
{
    for (int fd = 3; fd < 1024; ++fd) {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        int listening = 0;
        socklen_t flagSize = sizeof listening;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
            address.sin_family == AF_INET && ntohs(address.sin_port) == port &&
            getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagSize) == 0 && listening)
            ::listen(fd, SOMAXCONN);
    }
}

class ThreadPerConnection : public httplib::TaskQueue
{
public:
    void enqueue(std::function<void()> work) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_running;
        std::thread([this, work = std::move(work)] {
            work();
            std::lock_guard<std::mutex> done(m_mutex);
            if (--m_running == 0)
                m_allDone.notify_all();
        }).detach();
    }

    void shutdown() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_allDone.wait(lock, [this] { return m_running == 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_allDone;
    int m_running = 0;
};

} // namespace

// Ranges are cpp-httplib's own work (206 with Content-Range); If-Range is
// ours: a range asked for under a validator the file no longer has gets the
// whole file with 200, as a real server answers.
void HttpService::serveFile(const QString& path, const httplib::Request& request,
                            httplib::Response& response)
{
    const QFileInfo info(path);
    const std::string etag = etagOf(info);
    const std::string date = httpDateOf(info);
    response.set_header("ETag", etag);
    response.set_header("Last-Modified", date);
    response.set_header("Accept-Ranges", "bytes");
    if (request.has_header("If-Range")) {
        const std::string asked = request.get_header_value("If-Range");
        if (asked != etag && asked != date)
            const_cast<httplib::Request&>(request).ranges.clear();
    }
    auto stream = std::make_shared<std::ifstream>(path.toStdString(), std::ios::binary);
    auto sent = std::make_shared<qint64>(0);
    const qint64 cutAfter = m_options.cutAfter;
    const qint64 stallAfter = m_options.stallAfter;
    response.set_content_provider(
        static_cast<size_t>(info.size()), "application/octet-stream",
        [stream, sent, cutAfter, stallAfter](size_t offset, size_t length, httplib::DataSink& sink) {
            static constexpr size_t chunk = 256 * 1024;
            size_t wanted = std::min(length, chunk);
            // --cut-after: the connection drops once that many bytes of
            // this answer are out, as a broken line would.
            if (cutAfter >= 0) {
                if (*sent >= cutAfter)
                    return false;
                wanted = std::min(wanted, static_cast<size_t>(cutAfter - *sent));
            }
            // --stall-after: the connection stays open and silent, as a
            // service that hangs mid-answer would; dropped after two minutes
            // so that no worker waits for ever.
            if (stallAfter >= 0) {
                if (*sent >= stallAfter) {
                    for (int step = 0; step < 1200 && sink.is_writable(); ++step)
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return false;
                }
                wanted = std::min(wanted, static_cast<size_t>(stallAfter - *sent));
            }
            std::vector<char> buffer(wanted);
            stream->seekg(static_cast<std::streamoff>(offset));
            stream->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
            const auto got = static_cast<size_t>(stream->gcount());
            if (got == 0)
                return false;
            *sent += static_cast<qint64>(got);
            return sink.write(buffer.data(), got);
        });
}

HttpService::HttpService(const Options& options, Engine& engine)
    : m_options(options), m_engine(engine)
{
    if (m_options.tlsCertPath.isEmpty()) {
        m_server = std::make_unique<httplib::Server>();
    } else {
        auto tls = std::make_unique<httplib::SSLServer>(
            QFile::encodeName(m_options.tlsCertPath).constData(),
            QFile::encodeName(m_options.tlsKeyPath).constData());
        m_tlsValid = tls->is_valid();
        m_server = std::move(tls);
    }
    if (!m_options.recordPath.isEmpty()) {
        m_record.setFileName(m_options.recordPath);
        if (!m_record.open(QIODevice::WriteOnly | QIODevice::Append))
            std::fprintf(stderr, "zv-devservice: cannot write %s\n",
                         qPrintable(m_options.recordPath));
    }
    installHandlers();
}

HttpService::~HttpService() = default;

int HttpService::bind()
{
    if (!m_tlsValid)
        return -1;
    const std::string host = m_options.host.toStdString();
    const int port = m_options.port == 0 ? m_server->bind_to_any_port(host)
                     : m_server->bind_to_port(host, m_options.port) ? m_options.port
                                                                     : -1;
    if (port > 0)
        widenListenQueue(port);
    return port;
}

namespace {
// The server answers each request on one thread, handler and logger alike.
thread_local bool t_recordedByHandler = false;
} // namespace

bool HttpService::serve()
{
    return m_server->listen_after_bind();
}

void HttpService::installHandlers()
{
    // httplib's default sets SO_REUSEPORT, which would let a second stand-in
    // share a port already taken; a busy port must be an error instead.
    m_server->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });

    // Answers go out as soon as they are written, as a web server's do; with
    // Nagle's rule the body of a kept-alive connection's answer would wait
    // for the client's delayed acknowledgement of its headers (tens of ms).
    m_server->set_tcp_nodelay(true);
    m_server->new_task_queue = [] { return new ThreadPerConnection; };

    m_server->set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
        if (m_options.latencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_options.latencyMs));
        return httplib::Server::HandlerResponse::Unhandled;
    });

    m_server->Post("/api/", [this](const httplib::Request& request, httplib::Response& response) {
        recordBeforeAnswer(request);
        const EngineAnswer answer = m_engine.run(QString::fromStdString(request.body));
        if (answer.ok) {
            response.set_content(answer.json.toStdString(), "application/json; charset=utf-8");
        } else {
            response.status = 500;
            response.set_content(answer.error.toStdString(), "text/plain; charset=utf-8");
        }
    });

    m_server->Get(R"(/(.*))", [this](const httplib::Request& request,
                                      httplib::Response& response) {
        recordBeforeAnswer(request);
        if (request.path == "/") {
            response.set_content("zv-devservice\n", "text/plain");
            return;
        }
        const QString path = servedFile(m_options.filesDir, request.path);
        if (path.isEmpty()) {
            response.status = 404;
            response.set_content("not found\n", "text/plain");
            return;
        }
        serveFile(path, request, response);
    });

    // Requests no handler took are recorded once their answer is out.
    m_server->set_logger([this](const httplib::Request& request, const httplib::Response&) {
        if (!t_recordedByHandler)
            record(request);
        t_recordedByHandler = false;
    });
}

void HttpService::record(const httplib::Request& request)
{
    if (!m_record.isOpen())
        return;
    QJsonObject headers;
    for (const auto& [name, value] : request.headers)
        headers.insert(QString::fromStdString(name), QString::fromStdString(value));
    QJsonObject line{
        {"method", QString::fromStdString(request.method)},
        {"path", QString::fromStdString(request.path)},
        {"headers", headers},
        {"body", QString::fromLatin1(QByteArray::fromStdString(request.body).toBase64())}};
    std::lock_guard<std::mutex> lock(m_recordMutex);
    m_record.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    m_record.flush();
}

// Recorded before the answer goes out: a client that has its answer must
// find its request in the record already.
void HttpService::recordBeforeAnswer(const httplib::Request& request)
{
    record(request);
    t_recordedByHandler = true;
}
