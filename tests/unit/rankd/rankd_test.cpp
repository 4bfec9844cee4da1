// The ranking server through the real programs: a game registered from a
// project, addresses written by `ruvel --script` for that project, and the
// answers read back over HTTP. Each test runs against SQLite, and again
// against PostgreSQL when RUVEL_RANKD_TEST_POSTGRES names a database.
#include <gtest/gtest.h>
#include <httplib.h>

#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

#include "rankd/rankd_fixture.h"

namespace {

using namespace rankd_test;

class RankdTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgresql") {
      const char* url = std::getenv("RUVEL_RANKD_TEST_POSTGRES");
      if (!url || !*url) GTEST_SKIP() << "RUVEL_RANKD_TEST_POSTGRES is not set";
      db = url;
    }
    dir = fs::temp_directory_path() / ("rankd_test_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (db.empty()) db = "sqlite:" + (dir / "ranking.db").string();
    // A game name of its own, so that a shared PostgreSQL database starts
    // every run with an empty board.
    game = "g" + std::to_string(getpid()) + "_" + std::to_string(std::rand() % 100000);
    TRun made = RunCommand(ruvel_test::TestBuildDir() + "/ruvel --new-project " + (dir / "game").string(), dir);
    ASSERT_EQ(made.exitCode, 0) << made.output;
    TRun added = Rankd("game add " + game + " --project " + (dir / "game").string());
    ASSERT_EQ(added.exitCode, 0) << added.output;
  }
  void TearDown() override { fs::remove_all(dir); }

  TRun Rankd(const std::string& args) {
    return RunCommand(ruvel_test::TestBuildDir() + "/ruvel-rankd " + args + " --db " + Quoted(db), dir);
  }

  // The address the game opens for these setParam calls (UTF-8 script
  // text), as `ruvel --script` writes it for the registered project.
  std::string Address(int port, const std::string& setParams) {
    std::string source = "extends classes.lang.Object;\nr = new Ranking();\n" + setParams +
                         "r.openBrowser(\"http://127.0.0.1:" + std::to_string(port) + "/g/" + game + "/submit\");\n";
    std::ofstream(dir / "utf8.ruvel", std::ios::binary) << source;
    RunCommand("iconv -f UTF-8 -t CP932 " + (dir / "utf8.ruvel").string() + " -o " + (dir / "send.ruvel").string(), dir);
    TRun r = RunCommand(ruvel_test::TestBuildDir() + "/ruvel --project " + (dir / "game").string() + " --script " +
                     (dir / "send.ruvel").string(),
                 dir);
    std::string prefix = "http://127.0.0.1:" + std::to_string(port);
    size_t at = r.output.find(prefix);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(at, std::string::npos) << r.output;
    if (at == std::string::npos) return std::string();
    size_t from = at + prefix.size();
    return r.output.substr(from, r.output.find('\n', from) - from);
  }

  fs::path dir;
  std::string db;
  std::string game;
};

TEST_P(RankdTest, ASubmissionIsStoredOnceAndShownEscapedWithItsRank) {
  TServer server(db, dir / "serve.log", "");
  ASSERT_NE(server.Port(), 0) << server.Log();
  httplib::Client client("127.0.0.1", server.Port());
  std::string low = Address(server.Port(), "r.setParam(\"name\", \"ann\");\nr.setParam(\"score\", 300);\n");
  std::string mine = Address(server.Port(), "r.setParam(\"name\", \"あい う&x<script>\");\nr.setParam(\"score\", 1200);\n");
  ASSERT_EQ(client.Get(low)->status, 200);

  auto first = client.Get(mine);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->status, 200);
  EXPECT_NE(first->body.find("<tr class=\"new\" id=\"new\"><td>1</td><td>あい う&amp;x&lt;script&gt;</td>"),
            std::string::npos)
      << first->body;
  EXPECT_EQ(first->body.find("<script>"), std::string::npos);
  // The same submission again within the minute is answered but not stored again.
  EXPECT_EQ(client.Get(mine)->status, 200);

  auto top = client.Get("/g/" + game + "/top.json?limit=10");
  ASSERT_TRUE(top);
  EXPECT_EQ(top->status, 200);
  nlohmann::json doc = nlohmann::json::parse(top->body);
  ASSERT_EQ(doc["entries"].size(), 2u) << top->body;
  EXPECT_EQ(doc["entries"][0]["rank"], 1);
  EXPECT_EQ(doc["entries"][0]["name"], "あい う&x<script>");
  EXPECT_EQ(doc["entries"][0]["score"], 1200);
  EXPECT_EQ(doc["entries"][1]["rank"], 2);
  EXPECT_EQ(doc["entries"][1]["name"], "ann");
  EXPECT_TRUE(doc["entries"][1]["time"].get<std::string>().ends_with("Z"));

  auto board = client.Get("/g/" + game + "/");
  ASSERT_TRUE(board);
  EXPECT_EQ(board->status, 200);
  EXPECT_LT(board->body.find("あい う&amp;x"), board->body.find("<td>ann</td>"));
  EXPECT_EQ(client.Get("/healthz")->body, "ok\n");

  // A banned name is no longer shown; a deleted entry is gone.
  EXPECT_EQ(Rankd("ban ann").exitCode, 0);
  doc = nlohmann::json::parse(client.Get("/g/" + game + "/top.json")->body);
  EXPECT_EQ(doc["entries"].size(), 1u);
  EXPECT_EQ(client.Get(low)->status, 403);
  // The banned entry above a new one does not count in its rank.
  std::string lower = Address(server.Port(), "r.setParam(\"name\", \"cid\");\nr.setParam(\"score\", 100);\n");
  auto third = client.Get(lower);
  ASSERT_TRUE(third);
  EXPECT_NE(third->body.find("<strong id=\"rank\">2位</strong>"), std::string::npos) << third->body;
  EXPECT_EQ(Rankd("entry delete 999999999").exitCode, 1);

  // SIGTERM stops the server with exit code 0 and one log line per request.
  EXPECT_EQ(server.Stop(SIGTERM), 0);
  std::string log = server.Log();
  EXPECT_NE(log.find("GET /g/" + game + "/submit 200"), std::string::npos) << log;
  EXPECT_NE(log.find("GET /healthz 200"), std::string::npos) << log;
  EXPECT_EQ(log.find("%E3"), std::string::npos) << "the query is not logged";
}

TEST_P(RankdTest, RefusalsStoreNothing) {
  TServer server(db, dir / "serve.log", "--submits-per-minute 7");
  ASSERT_NE(server.Port(), 0) << server.Log();
  httplib::Client client("127.0.0.1", server.Port());
  std::string good = Address(server.Port(), "r.setParam(\"name\", \"bob\");\nr.setParam(\"score\", 50);\n");
  ASSERT_FALSE(good.empty());
  std::string id = good.substr(good.rfind("ID=") + 3);
  std::string tampered = good.substr(0, good.rfind("score=")) + "score=999999&ID=" + id;
  std::string wrongId = good.substr(0, good.rfind("ID=") + 3) + std::to_string(std::stoll(id) ^ 1);
  std::string otherGame = good;
  otherGame.replace(otherGame.find(game), game.size(), "nosuchgame");
  std::string noScore = "/g/" + game + "/submit?name=bob&ID=1";
  std::string longName = "/g/" + game + "/submit?name=" + std::string(100, 'a') + "&score=1&ID=1";
  std::string badEscape = "/g/" + game + "/submit?name=%E3%8&score=1&ID=1";

  EXPECT_EQ(client.Get(tampered)->status, 403);
  EXPECT_EQ(client.Get(wrongId)->status, 403);
  EXPECT_EQ(client.Get(otherGame)->status, 404);
  EXPECT_EQ(client.Get(noScore)->status, 400);
  EXPECT_EQ(client.Get(longName)->status, 400);
  EXPECT_EQ(client.Get(badEscape)->status, 400);
  EXPECT_EQ(client.Get("/g/" + game + "/top.json?limit=1000")->status, 400);
  auto json = nlohmann::json::parse(client.Get("/g/" + game + "/top.json")->body);
  EXPECT_EQ(json["entries"].size(), 0u) << "nothing refused was stored";

  // Refused submissions count too: with the six above and one good one
  // the seven of the minute are used up, and the next is refused.
  EXPECT_EQ(client.Get(good)->status, 200);
  EXPECT_EQ(client.Get(good)->status, 429);
  EXPECT_EQ(nlohmann::json::parse(client.Get("/g/" + game + "/top.json")->body)["entries"].size(), 1u);
}

TEST_P(RankdTest, CopiesSentAtOnceAreStoredOnce) {
  TServer server(db, dir / "serve.log", "--threads 8");
  ASSERT_NE(server.Port(), 0) << server.Log();
  std::string address = Address(server.Port(), "r.setParam(\"name\", \"eve\");\nr.setParam(\"score\", 70);\n");
  ASSERT_FALSE(address.empty());
  std::vector<int> statuses(8, 0);
  std::vector<std::thread> senders;
  for (size_t i = 0; i < statuses.size(); ++i)
    senders.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", server.Port());
      if (auto res = client.Get(address)) statuses[i] = res->status;
    });
  for (std::thread& t : senders) t.join();
  for (int status : statuses) EXPECT_EQ(status, 200);
  httplib::Client client("127.0.0.1", server.Port());
  auto doc = nlohmann::json::parse(client.Get("/g/" + game + "/top.json")->body);
  EXPECT_EQ(doc["entries"].size(), 1u) << doc.dump();
}

TEST(RankdCommandLine, BadUseIsSaidWithExitCode2) {
  fs::path dir = fs::temp_directory_path() / ("rankd_cli_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::string rankd = ruvel_test::TestBuildDir() + "/ruvel-rankd";
  EXPECT_EQ(RunCommand(rankd + " --help", dir).exitCode, 0);
  EXPECT_EQ(RunCommand(rankd, dir).exitCode, 2);
  EXPECT_EQ(RunCommand(rankd + " serve --listen nowhere", dir).exitCode, 2);
  EXPECT_EQ(RunCommand(rankd + " game add 'a/b' --project .", dir).exitCode, 2);
  TRun missing = RunCommand(rankd + " game add star --project " + (dir / "none").string() + " --db sqlite:" +
                         (dir / "r.db").string(), dir);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("default.ruvelprj"), std::string::npos) << missing.output;
  EXPECT_EQ(RunCommand(rankd + " game list --db mysql://x", dir).exitCode, 1);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Stores, RankdTest, ::testing::Values("sqlite", "postgresql"));

}  // namespace
