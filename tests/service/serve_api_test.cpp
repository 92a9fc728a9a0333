// API tests of "lumenfoldi serve" running on a loopback port: preparing and
// caching, pages and downloads, error answers, the worker limits, a killed
// worker, draining on SIGTERM, and two processes sharing one cache.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <nlohmann/json.hpp>
#include <set>

#include "service/serve_process.h"

namespace lf {
namespace {

using nlohmann::json;
using test::ServeProcess;

// A title band whose script never ends: a preparation that only a stop ends.
constexpr const char* kEndlessTemplate = R"({"Version": 25, "Pages": [{"Name": "Page1", "Objects": [
    {"TypeCode": 2, "Name": "Title", "FrameTyp": 0, "Top": 20, "Height": 20,
     "Script": ["begin n := 0; while 1 = 1 do n := 1 end"]},
    {"TypeCode": 0, "Name": "Memo1", "Top": 20, "Width": 100, "Height": 20, "Memo": ["never"]}]}]})";

httplib::MultipartFormDataItems Upload(const std::string& templateBytes, const std::string& data) {
  return {{"template", templateBytes, "slow.frf", "application/octet-stream"},
          {"data", data, "data.json", "application/json"}};
}

class ServeApi : public test::ServiceTest {};

TEST_F(ServeApi, PreparesOnceThenAnswersFromTheCache) {
  auto serve = Serve("a");
  auto c = serve->Client();
  auto first = c->Post("/api/reports", ParamsBody(Example("invoice")), "application/json");
  ASSERT_TRUE(first);
  ASSERT_EQ(first->status, 201) << first->body;
  const json d = json::parse(first->body);
  EXPECT_EQ(d["pages"], 3);
  EXPECT_EQ(d["pageSizes"].size(), 3u);
  EXPECT_NEAR(d["pageSizes"][0][0].get<double>(), 210, 1);
  EXPECT_EQ(d["title"], "Invoice");
  const std::string id = d["id"];
  EXPECT_TRUE(std::filesystem::exists(Path("cache/" + id + ".frp")));

  auto again = c->Post("/api/reports", ParamsBody(Example("invoice")), "application/json");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->status, 200);
  EXPECT_EQ(again->body, first->body);

  auto get = c->Get("/api/reports/" + id);
  ASSERT_TRUE(get);
  EXPECT_EQ(get->status, 200);
  EXPECT_EQ(get->body, first->body);
  const std::string etag = get->get_header_value("ETag");
  EXPECT_EQ(etag, "\"" + id + "\"");
  auto notModified = c->Get("/api/reports/" + id, {{"If-None-Match", etag}});
  ASSERT_TRUE(notModified);
  EXPECT_EQ(notModified->status, 304);

  // The same files uploaded are the same report.
  const std::string tmpl = test::Slurp(LF_SOURCE_DIR "/examples/invoice/template.frf");
  const std::string data = test::Slurp(LF_SOURCE_DIR "/examples/invoice/data.json");
  auto upload = c->Post("/api/reports", Upload(tmpl, data));
  ASSERT_TRUE(upload);
  EXPECT_EQ(upload->status, 200);
  EXPECT_EQ(json::parse(upload->body)["id"], id);

  auto metrics = c->Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_NE(metrics->body.find("lumenfoldi_preparations_total{outcome=\"done\"} 1\n"), std::string::npos)
      << metrics->body;
  EXPECT_NE(metrics->body.find("lumenfoldi_cache_hits_total{kind=\"report\"} 2\n"), std::string::npos);
  EXPECT_NE(metrics->body.find("lumenfoldi_requests_total{status=\"201\"} 1\n"), std::string::npos);
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, ServesPagesTextFindAndDownloads) {
  auto serve = Serve("a");
  auto c = serve->Client();
  auto created = c->Post("/api/reports", ParamsBody(Example("invoice")), "application/json");
  ASSERT_TRUE(created);
  ASSERT_EQ(created->status, 201) << created->body;
  const std::string base = "/api/reports/" + json::parse(created->body)["id"].get<std::string>();

  auto svg = c->Get(base + "/pages/1.svg");
  ASSERT_TRUE(svg);
  ASSERT_EQ(svg->status, 200);
  EXPECT_EQ(svg->get_header_value("Content-Type"), "image/svg+xml");
  EXPECT_NE(svg->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(svg->body.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg->body.find("<text "), std::string::npos);
  EXPECT_EQ(svg->body.find("<script"), std::string::npos);
  auto svgAgain = c->Get(base + "/pages/1.svg", {{"If-None-Match", svg->get_header_value("ETag")}});
  ASSERT_TRUE(svgAgain);
  EXPECT_EQ(svgAgain->status, 304);

  auto png = c->Get(base + "/pages/2.png?dpi=20");
  ASSERT_TRUE(png);
  ASSERT_EQ(png->status, 200);
  EXPECT_EQ(png->body.substr(1, 3), "PNG");
  // An A4 page at 20 dpi is 165 pixels wide (big-endian width at byte 16).
  const auto width = (uint8_t(png->body[18]) << 8) | uint8_t(png->body[19]);
  EXPECT_EQ(width, 165);

  auto text = c->Get(base + "/pages/1/text");
  ASSERT_TRUE(text);
  ASSERT_EQ(text->status, 200);
  const json t = json::parse(text->body);
  EXPECT_GT(t["width"].get<int>(), 4000);
  std::string all;
  for (const auto& run : t["runs"]) {
    all += run["text"].get<std::string>() + "|";
    EXPECT_EQ(run["box"].size(), 4u);
  }
  EXPECT_NE(all.find("Page 1"), std::string::npos) << all;

  // "page" stands once on every page footer; the case is ignored unless asked.
  auto found = c->Get(base + "/find?q=PAGE&case=0");
  ASSERT_TRUE(found);
  ASSERT_EQ(found->status, 200);
  const json f = json::parse(found->body);
  std::set<int> pages;
  for (const auto& m : f["matches"]) pages.insert(m["page"].get<int>());
  EXPECT_EQ(pages, (std::set<int>{1, 2, 3}));
  auto exact = c->Get(base + "/find?q=PAGE&case=1");
  ASSERT_TRUE(exact);
  EXPECT_TRUE(json::parse(exact->body)["matches"].empty());

  auto pdf = c->Get(base + ".pdf?pages=2-3");
  ASSERT_TRUE(pdf);
  ASSERT_EQ(pdf->status, 200);
  EXPECT_EQ(pdf->get_header_value("Content-Type"), "application/pdf");
  EXPECT_EQ(pdf->body.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf->body.find("/Count 2"), std::string::npos);

  auto frp = c->Get(base + ".frp");
  ASSERT_TRUE(frp);
  ASSERT_EQ(frp->status, 200);
  EXPECT_EQ(frp->body, test::Slurp(Path("cache/" + base.substr(13) + ".frp")));
  EXPECT_NE(frp->get_header_value("Content-Disposition").find("attachment"), std::string::npos);

  struct Case {
    std::string path;
    int status;
    std::string error;
  } cases[] = {
      {base + "/pages/0.svg", 404, "The report has no page 0; it has 3"},
      {base + "/pages/4.png", 404, "The report has no page 4; it has 3"},
      {base + "/pages/1.png?dpi=601", 400, "resolution 601 is outside 10..600"},
      {base + "/pages/1.png?dpi=x", 400, "bad resolution 'x'"},
      {base + ".pdf?pages=3-1", 400, "bad page list '3-1'"},
      {base + ".pdf?pages=7", 400, "the page list '7' selects no page"},
      {base + "/find", 400, "find needs a text: ?q=TEXT"},
      {"/api/reports/" + std::string(64, 'a'), 404, "No report with the id " + std::string(64, 'a')},
  };
  for (const Case& k : cases) {
    auto r = c->Get(k.path);
    ASSERT_TRUE(r) << k.path;
    EXPECT_EQ(r->status, k.status) << k.path;
    EXPECT_EQ(r->body, json({{"error", k.error}}).dump()) << k.path;
  }
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, RefusesBadInputWithTheReason) {
  auto serve = Serve("a", {"--allow-hosts", "reports.example", "--max-upload", "100000"});
  auto c = serve->Client();
  const std::string broken = Template("broken", R"({"Version": 25, "Pages": [{"Name": "Page1", "Objects": [
      {"TypeCode": 2, "Name": "Title", "FrameTyp": 0, "Top": 20, "Height": 20},
      {"TypeCode": 0, "Name": "Broken", "Top": 20, "Width": 100, "Height": 20, "Memo": ["[NOSUCHNAME]"]}]}]})");
  const std::string invoiceData = test::Slurp(LF_SOURCE_DIR "/examples/invoice/data.json");
  struct Case {
    std::string body;
    int status;
    std::string error;
  } cases[] = {
      {"not json", 400, "The request is neither JSON {\"params\": \"TEMPLATE,DATA\"} nor an upload"},
      {"{\"template\": 1}", 400, "The request needs \"params\": \"TEMPLATE,DATA\""},
      {ParamsBody("examples/invoice/template.frf"), 400,
       "The params 'examples/invoice/template.frf' are not of the form TEMPLATE,DATA"},
      {ParamsBody("/etc/passwd,examples/invoice/data.json"), 400, "the file '/etc/passwd' lies outside the allowed folder"},
      {ParamsBody("../x.frf,examples/invoice/data.json"), 400, "the file '../x.frf' lies outside the allowed folder"},
      {ParamsBody("http://elsewhere.example/t.frf,examples/invoice/data.json"), 400,
       "the host 'elsewhere.example' is not among the allowed hosts"},
      {ParamsBody("ftp://reports.example/t.frf,examples/invoice/data.json"), 400,
       "the address 'ftp://reports.example/t.frf' is neither http nor https"},
      // The engine's own messages.
      {ParamsBody("examples/invoice/template.frf,examples/no-such-data.json"), 422, "加载数据失败,错误号0"},
      {ParamsBody("examples/invoice/data.json,examples/invoice/data.json"), 422, "Unsupported FRF format"},
  };
  for (const Case& k : cases) {
    auto r = c->Post("/api/reports", k.body, "application/json");
    ASSERT_TRUE(r) << k.body;
    EXPECT_EQ(r->status, k.status) << k.body;
    EXPECT_EQ(r->body, json({{"error", k.error}}).dump()) << k.body;
  }
  auto calc = c->Post("/api/reports", Upload(test::Slurp(broken), invoiceData));
  ASSERT_TRUE(calc);
  EXPECT_EQ(calc->status, 422);
  EXPECT_EQ(json::parse(calc->body)["error"].get<std::string>().rfind("An error occured during calculating", 0), 0u)
      << calc->body;
  auto half = c->Post("/api/reports", httplib::MultipartFormDataItems{{"data", invoiceData, "d.json", ""}});
  ASSERT_TRUE(half);
  EXPECT_EQ(half->status, 400);
  EXPECT_EQ(half->body, json({{"error", "The upload needs the parts 'template' and 'data'"}}).dump());
  auto large = c->Post("/api/reports", Upload(std::string(100001, 'x'), "[]"));
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  EXPECT_EQ(large->body, json({{"error", "The request is larger than the 100000 bytes allowed"}}).dump());
  // Nothing was stored for any of them.
  size_t stored = 0;
  for (const auto& e : std::filesystem::directory_iterator(Path("cache")))
    stored += e.path().extension() == ".frp" || e.path().filename().string().rfind(".upload", 0) == 0;
  EXPECT_EQ(stored, 0u);
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, FullQueueAnswers429AndTimeoutStopsThePreparation) {
  auto serve = Serve("a", {"--workers", "1", "--queue", "0", "--timeout", "2"});
  const std::string endless = test::Slurp(Template("endless", kEndlessTemplate));
  auto slow = std::async(std::launch::async, [&] {
    return serve->Client()->Post("/api/reports", Upload(endless, "[{\"a\": 1}]"));
  });
  for (int i = 0; i < 200 && serve->Workers().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(serve->Workers().size(), 1u);
  auto c = serve->Client();
  auto busy = c->Post("/api/reports", Upload(endless, "[{\"a\": 2}]"));
  ASSERT_TRUE(busy);
  EXPECT_EQ(busy->status, 429);
  EXPECT_EQ(busy->get_header_value("Retry-After"), "2");
  EXPECT_EQ(busy->body, json({{"error", "The service is busy: all 1 workers are busy and 0 preparations wait"}}).dump());
  auto stopped = slow.get();
  ASSERT_TRUE(stopped);
  EXPECT_EQ(stopped->status, 503);
  EXPECT_EQ(stopped->body, json({{"error", "The preparation took longer than 2 seconds and was stopped"}}).dump());
  // The worker ended through the engine's stop, well before it would be killed.
  auto metrics = c->Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_NE(metrics->body.find("lumenfoldi_preparations_total{outcome=\"timeout\"} 1\n"), std::string::npos);
  EXPECT_NE(metrics->body.find("lumenfoldi_requests_total{status=\"429\"} 1\n"), std::string::npos);
  EXPECT_NE(serve->Errors().find("lumenfoldi serve: listening"), std::string::npos);
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, KilledWorkerAnswers500AndTheServiceGoesOn) {
  auto serve = Serve("a", {"--workers", "1"});
  const std::string endless = test::Slurp(Template("endless", kEndlessTemplate));
  auto slow = std::async(std::launch::async, [&] {
    return serve->Client()->Post("/api/reports", Upload(endless, "[{\"a\": 1}]"));
  });
  std::vector<pid_t> workers;
  for (int i = 0; i < 200 && workers.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    workers = serve->Workers();
  }
  ASSERT_EQ(workers.size(), 1u);
  // Let it start its run, then kill it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(workers[0], SIGKILL);
  auto crashed = slow.get();
  ASSERT_TRUE(crashed);
  EXPECT_EQ(crashed->status, 500);
  EXPECT_EQ(json::parse(crashed->body)["error"].get<std::string>().rfind("The preparation ended unexpectedly (signal 9)", 0), 0u);
  auto c = serve->Client();
  auto health = c->Get("/healthz");
  ASSERT_TRUE(health);
  EXPECT_EQ(health->status, 200);
  auto next = c->Post("/api/reports", ParamsBody(Example("grouped-list")), "application/json");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->status, 201);
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, SigtermLetsRunningRequestsFinishAndRefusesNewOnes) {
  auto serve = Serve("a", {"--workers", "1", "--timeout", "2"});
  const std::string endless = test::Slurp(Template("endless", kEndlessTemplate));
  auto running = std::async(std::launch::async, [&] {
    return serve->Client()->Post("/api/reports", Upload(endless, "[{\"a\": 1}]"));
  });
  for (int i = 0; i < 200 && serve->Workers().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_EQ(serve->Workers().size(), 1u);
  kill(serve->Pid(), SIGTERM);
  for (int i = 0; i < 100 && serve->Errors().find("stopping") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  auto refused = serve->Client()->Get("/healthz");
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 503);
  EXPECT_EQ(refused->body, json({{"error", "The service is stopping"}}).dump());
  auto finished = running.get();
  ASSERT_TRUE(finished);
  EXPECT_EQ(finished->status, 503);
  EXPECT_EQ(serve->Stop(), 0);
}

TEST_F(ServeApi, TwoProcessesShareOneCache) {
  auto a = Serve("a");
  auto b = Serve("b");
  // Identical requests at once, to both processes: one preparation.
  std::vector<std::future<httplib::Result>> requests;
  for (int i = 0; i < 6; ++i) {
    ServeProcess& s = i % 2 ? *b : *a;
    requests.push_back(std::async(std::launch::async, [&s, this] {
      return s.Client()->Post("/api/reports", ParamsBody(Example("page-n-of-m")), "application/json");
    }));
  }
  int created = 0;
  std::set<std::string> bodies;
  for (auto& r : requests) {
    httplib::Result result = r.get();
    ASSERT_TRUE(result);
    EXPECT_TRUE(result->status == 200 || result->status == 201) << result->body;
    created += result->status == 201;
    bodies.insert(result->body);
  }
  EXPECT_EQ(created, 1);
  EXPECT_EQ(bodies.size(), 1u);
  // A report prepared through one is served by the other without a worker.
  auto made = a->Client()->Post("/api/reports", ParamsBody(Example("cross-table")), "application/json");
  ASSERT_TRUE(made);
  ASSERT_EQ(made->status, 201);
  const std::string id = json::parse(made->body)["id"];
  auto page = b->Client()->Get("/api/reports/" + id + "/pages/2.svg");
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  auto reuse = b->Client()->Post("/api/reports", ParamsBody(Example("cross-table")), "application/json");
  ASSERT_TRUE(reuse);
  EXPECT_EQ(reuse->status, 200);
  auto metrics = b->Client()->Get("/metrics");
  ASSERT_TRUE(metrics);
  EXPECT_EQ(metrics->body.find("lumenfoldi_preparations_total{outcome=\"done\"} 2"), std::string::npos);
  EXPECT_EQ(a->Stop(), 0);
  EXPECT_EQ(b->Stop(), 0);
}

// 1,000 page requests from 8 clients over kept-alive connections: every one
// answered. Bounded in count; no timing is asserted.
TEST_F(ServeApi, AnswersAThousandPageRequestsFromEightClients) {
  auto serve = Serve("a");
  auto created = serve->Client()->Post("/api/reports", ParamsBody(Example("page-n-of-m")), "application/json");
  ASSERT_TRUE(created);
  ASSERT_EQ(created->status, 201);
  const json d = json::parse(created->body);
  const std::string base = "/api/reports/" + d["id"].get<std::string>() + "/pages/";
  const int pages = d["pages"];
  std::atomic<int> ok{0}, failed{0};
  std::vector<std::thread> clients;
  for (int k = 0; k < 8; ++k) {
    clients.emplace_back([&, k] {
      auto c = serve->Client();
      c->set_keep_alive(true);
      for (int i = 0; i < 125; ++i) {
        const int page = (k * 125 + i) % pages + 1;
        const char* kinds[] = {".svg", ".png?dpi=30", "/text"};
        auto r = c->Get(base + std::to_string(page) + kinds[i % 3]);
        (r && r->status == 200 ? ok : failed)++;
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(ok, 1000);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(serve->Stop(), 0);
}

}  // namespace
}  // namespace lf
