#include "support/http_test_server.h"

#include <stdexcept>

namespace tvtest {

std::string RecordedRequest::header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

std::string RecordedRequest::param(const std::string& name) const {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

std::string PathOfTarget(const std::string& target) {
    std::string t = target.substr(0, target.find('?'));
    auto scheme = t.find("://");
    if (scheme != std::string::npos && scheme < t.find('/')) {
        auto slash = t.find('/', scheme + 3);
        t = slash == std::string::npos ? "/" : t.substr(slash);
    }
    return httplib::detail::decode_url(t, false);
}

HttpTestServer::HttpTestServer() : server_(std::make_unique<httplib::Server>()) {
    // Bounded: a few worker threads, short socket time-outs, so a test that
    // forgets a connection cannot hang the suite for long.
    server_->new_task_queue = [] { return new httplib::ThreadPool(4); };
    server_->set_tcp_nodelay(true);  // no 40 ms delayed-ACK stalls between header and body
    server_->set_keep_alive_timeout(1);
    server_->set_keep_alive_max_count(100);
    server_->set_read_timeout(5, 0);
    server_->set_write_timeout(5, 0);
    server_->set_payload_max_length(16u * 1024u * 1024u);
    auto handler = [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Delete(".*", handler);
}

HttpTestServer::~HttpTestServer() { stop(); }

void HttpTestServer::route(const std::string& method, const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[{method, path}] = std::move(handler);
}

void HttpTestServer::serve(const std::string& path, std::string body, std::string contentType, int status) {
    route("GET", path, [body = std::move(body), contentType = std::move(contentType), status](
                           const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(body, contentType.c_str());
    });
}

void HttpTestServer::redirect(const std::string& path, std::string location, int status) {
    route("GET", path, [location = std::move(location), status](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(location, status);
    });
}

void HttpTestServer::fallback(Handler handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    fallback_ = std::move(handler);
}

void HttpTestServer::dispatch(const httplib::Request& req, httplib::Response& res) {
    RecordedRequest rec;
    rec.method = req.method;
    rec.target = req.target;
    rec.path = PathOfTarget(req.target);
    auto q = req.target.find('?');
    if (q != std::string::npos) rec.query = req.target.substr(q + 1);
    for (const auto& [k, v] : req.params) rec.params.emplace(k, v);
    for (const auto& [k, v] : req.headers) rec.headers.emplace(k, v);
    rec.body = req.body;

    Handler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(rec);
        auto it = routes_.find({req.method == "HEAD" ? std::string("GET") : req.method, rec.path});
        if (it != routes_.end())
            handler = it->second;
        else
            handler = fallback_;
    }
    if (handler) {
        handler(req, res);
    } else {
        res.status = 404;
        res.set_content("not found", "text/plain");
    }
}

void HttpTestServer::start() {
    if (running_) return;
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("loopback test server cannot bind");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    running_ = true;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 500 && !server_->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (!server_->is_running()) throw std::runtime_error("loopback test server does not start");
}

void HttpTestServer::stop() {
    if (!running_) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopCv_.notify_all();
    server_->stop();
    if (thread_.joinable()) thread_.join();
    running_ = false;
}

std::string HttpTestServer::base() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::string HttpTestServer::url(const std::string& pathAndQuery) const { return base() + pathAndQuery; }

std::vector<RecordedRequest> HttpTestServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

std::size_t HttpTestServer::requestCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_.size();
}

std::vector<RecordedRequest> HttpTestServer::requestsTo(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RecordedRequest> out;
    for (const auto& r : log_)
        if (r.path == path) out.push_back(r);
    return out;
}

void HttpTestServer::clearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

bool HttpTestServer::sleepUnlessStopped(std::chrono::milliseconds d) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopCv_.wait_for(lock, d, [this] { return stopping_; });
}

}  // namespace tvtest
