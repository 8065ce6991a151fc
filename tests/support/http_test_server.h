#pragma once
// A loopback HTTP server for tests (cpp-httplib on 127.0.0.1, ephemeral port,
// own thread). The test scripts the routes, starts it, runs the code under
// test against url(...) and checks the request log afterwards.
//
//   tvtest::HttpTestServer srv;
//   srv.serve("/a.txt", "hello");
//   srv.route("GET", "/b", [](const httplib::Request& q, httplib::Response& r) { r.status = 404; });
//   srv.start();
//   ... client.getText(srv.url("/a.txt")) ...
//   EXPECT_EQ(srv.requests().at(0).target, "/a.txt");
//
// Requests in absolute form ("GET http://host:port/path", as sent to a
// proxy) are routed by their path as well; `target` keeps the absolute form
// so proxy tests can see it. A request with no route gets 404.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace tvtest {

struct RecordedRequest {
    std::string method;
    std::string target;  // as sent: path and query, or the absolute URL in proxy form
    std::string path;    // decoded path without query, scheme and host
    std::string query;   // raw query text after '?', empty when none
    std::multimap<std::string, std::string> params;  // decoded query (and form body) parameters
    std::multimap<std::string, std::string, httplib::detail::ci> headers;
    std::string body;

    // First value of a header (case-insensitive name) or of a parameter; empty when absent.
    std::string header(const std::string& name) const;
    std::string param(const std::string& name) const;
};

class HttpTestServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    HttpTestServer();
    ~HttpTestServer();  // stops the server
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // Routes by method ("GET", "POST", ...) and exact decoded path. May be
    // set before or after start().
    void route(const std::string& method, const std::string& path, Handler handler);
    // GET `path` answers `body` with `contentType` and `status`.
    void serve(const std::string& path, std::string body, std::string contentType = "text/html", int status = 200);
    // GET `path` redirects to `location` with `status`.
    void redirect(const std::string& path, std::string location, int status = 302);
    // Called for requests that have no route (default: 404).
    void fallback(Handler handler);

    // Binds 127.0.0.1 on a free port and serves on a background thread.
    // Returns once the server accepts connections.
    void start();
    // Stops serving and joins the thread; handlers waiting in
    // sleepUnlessStopped() are woken. Called by the destructor.
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" without a trailing '/'.
    std::string base() const;
    // base() + pathAndQuery (which starts with '/').
    std::string url(const std::string& pathAndQuery) const;

    std::vector<RecordedRequest> requests() const;
    std::size_t requestCount() const;
    // Recorded requests whose path is `path`.
    std::vector<RecordedRequest> requestsTo(const std::string& path) const;
    void clearLog();

    // For handlers that stand in for a slow server: waits up to `d`, returns
    // false early when the server is being stopped.
    bool sleepUnlessStopped(std::chrono::milliseconds d);

private:
    void dispatch(const httplib::Request& req, httplib::Response& res);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, Handler> routes_;
    Handler fallback_;
    std::vector<RecordedRequest> log_;
    std::condition_variable stopCv_;
    bool stopping_ = false;
    bool running_ = false;
};

// The decoded path of a request target, also for the absolute form.
std::string PathOfTarget(const std::string& target);

}  // namespace tvtest
