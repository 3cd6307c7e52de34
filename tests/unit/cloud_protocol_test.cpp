// What a cloud run sends to Autodesk's services and how it reads the answers and keeps its rules.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cloud/aps_protocol.h"
#include "cloud/aps_rules.h"

namespace kavro::cloud {
namespace {

using nlohmann::json;

TEST(CloudProtocol, TokenRequestCarriesTheCredentialsOnlyInItsBasicHeader) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("a"), "YQ==");
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64("id:s3cr\xff"), "aWQ6czNjcv8=");
  Request token = TokenRequest("id", "s3cr\xff");
  EXPECT_FALSE(token.bearer);
  EXPECT_EQ(token.body,
            "grant_type=client_credentials&scope=code%3Aall+data%3Awrite+data%3Aread+bucket%"
            "3Acreate+bucket%3Aread");
  EXPECT_EQ(token.headers[1].second, "Basic aWQ6czNjcv8=");
  EXPECT_EQ(ParseToken(R"({"access_token":"t","token_type":"Bearer","expires_in":3599})")->access,
            "t");
  for (const char* bad : {"", "[]", R"({"access_token":"t"})", R"({"expires_in":5})",
                          R"({"access_token":"t","expires_in":0})"}) {
    EXPECT_FALSE(ParseToken(bad)) << bad;
  }
}

TEST(CloudProtocol, StorageRequestsUseAsciiKeysOfTheRunAndPosition) {
  EXPECT_EQ(BucketKey("AbC-9.x"), "kavro_abc_9_x");
  EXPECT_EQ(ObjectKey("r7", 0, "dwg"), "r7-00001.dwg");
  EXPECT_EQ(ObjectKey("r7", 123456, "scr"), "r7-123457.scr");
  // Uploads in order, no part beyond the part size, one (empty) part for no bytes.
  struct Case {
    uint64_t size, partBytes;
    std::vector<PartRange> parts;
  };
  for (const Case& c :
       {Case{0, 4, {{0, 0}}}, Case{4, 4, {{0, 4}}}, Case{9, 4, {{0, 4}, {4, 4}, {8, 1}}},
        Case{kMostPartBytes + 1, kMostPartBytes, {{0, kMostPartBytes}, {kMostPartBytes, 1}}}}) {
    EXPECT_EQ(UploadParts(c.size, c.partBytes), c.parts) << c.size;
  }
  EXPECT_EQ(UploadUrls("b", "o", 2).path, "/oss/v2/buckets/b/objects/o/signeds3upload?parts=2");
  EXPECT_EQ(json::parse(CreateBucket("b").body),
            json::parse(R"({"bucketKey":"b","policyKey":"transient"})"));
  EXPECT_EQ(json::parse(CompleteUpload("b", "o", "k").body)["uploadKey"], "k");
  auto target = ParseUploadUrls(R"({"uploadKey":"k","urls":["u1","u2"]})");
  ASSERT_TRUE(target);
  EXPECT_EQ(target->urls, (std::vector<std::string>{"u1", "u2"}));
  EXPECT_FALSE(ParseUploadUrls(R"({"uploadKey":"k","urls":[]})"));
  EXPECT_EQ(ParseDownloadUrl(R"({"status":"complete","url":"http://x/y"})"), "http://x/y");
  EXPECT_FALSE(ParseDownloadUrl(R"({"status":"complete"})"));
}

TEST(CloudProtocol, ActivityIsReusedOnlyWhileItsDefinitionIsUnchanged) {
  json created = json::parse(CreateActivity("Autodesk.AutoCAD+24_3").body);
  EXPECT_EQ(created["id"], "Kavro_RunScript");
  EXPECT_EQ(created["commandLine"][0],
            "$(engine.path)\\accoreconsole.exe /i \"$(args[HostDwg].path)\" /s "
            "\"$(args[Script].path)\"");
  EXPECT_EQ(created["parameters"]["Result"]["verb"], "put");
  // As stored: with an id, a version and defaults the service added.
  created["version"] = 3;
  created["parameters"]["HostDwg"]["zip"] = false;
  EXPECT_TRUE(ActivityUnchanged(created.dump(), "Autodesk.AutoCAD+24_3"));
  EXPECT_FALSE(ActivityUnchanged(created.dump(), "Autodesk.AutoCAD+25_0"));
  created["parameters"]["Result"]["localName"] = "result.dwg";
  EXPECT_FALSE(ActivityUnchanged(created.dump(), "Autodesk.AutoCAD+24_3"));
  EXPECT_FALSE(ActivityUnchanged("not json", "Autodesk.AutoCAD+24_3"));
  EXPECT_EQ(MoveAlias(4).path, "/da/us-east/v3/activities/Kavro_RunScript/aliases/kavro");
  EXPECT_EQ(json::parse(CreateAlias(4).body), json::parse(R"({"id":"kavro","version":4})"));
  EXPECT_EQ(ParseVersion(R"({"version":4})"), 4);
}

TEST(CloudProtocol, WorkItemsAndTheirStatusInBatchesOfFifty) {
  json item = json::parse(
      CreateWorkItem("cid", "b", "r-00001.dwg", "r-00001.scr", "r-00001.out.dwg", "tok").body);
  EXPECT_EQ(item["activityId"], "cid.Kavro_RunScript+kavro");
  EXPECT_EQ(item["arguments"]["HostDwg"]["url"], "urn:adsk.objects:os.object:b/r-00001.dwg");
  EXPECT_EQ(item["arguments"]["Result"]["verb"], "put");
  EXPECT_EQ(item["arguments"]["Script"]["headers"]["Authorization"], "Bearer tok");

  std::vector<std::string> ids;
  for (int i = 0; i < 101; ++i) ids.push_back("w" + std::to_string(i));
  std::vector<Request> batches = StatusBatches(ids);
  ASSERT_EQ(batches.size(), 3u);
  EXPECT_EQ(json::parse(batches[0].body)["ids"].size(), 50u);
  EXPECT_EQ(json::parse(batches[2].body)["ids"], json::parse(R"(["w100"])"));
  EXPECT_TRUE(StatusBatches({}).empty());

  auto statuses = ParseStatuses(
      R"({"results":[{"id":"a","status":"success","reportUrl":"r"},{"id":"b"},7],"errors":{}})");
  ASSERT_EQ(statuses.size(), 1u);
  EXPECT_EQ(statuses[0].reportUrl, "r");
  struct {
    const char* status;
    ItemState state;
  } const kStates[] = {
      {"pending", ItemState::Waiting},           {"inprogress", ItemState::Waiting},
      {"success", ItemState::Succeeded},         {"cancelled", ItemState::Cancelled},
      {"failedInstructions", ItemState::Failed}, {"failedUpload", ItemState::Failed},
      {"somethingNew", ItemState::Failed}};
  for (const auto& row : kStates) EXPECT_EQ(StateOf(row.status), row.state) << row.status;
}

TEST(CloudRules, RetryWaitsForRateLimitsAndServerErrorsOnly) {
  struct {
    int http;
    const char* retryAfter;
    int attempt;
    std::optional<double> wait;
  } const kRows[] = {
      {429, "7", 0, 7.0}, {429, "", 0, 1.0},   {503, "", 3, 8.0},
      {0, "", 1, 2.0},    {500, "x1", 2, 4.0}, {429, "9999", 0, 120},
      {400, "", 0, {}},   {404, "3", 0, {}},   {500, "", kMostAttempts - 1, {}},
      {429, "", 10, {}},
  };
  for (const auto& row : kRows) {
    EXPECT_EQ(RetryWait(row.http, row.retryAfter, row.attempt), row.wait)
        << row.http << " " << row.retryAfter << " " << row.attempt;
  }
}

TEST(CloudRules, TokenRenewalRateWindowAndPolling) {
  EXPECT_FALSE(NeedsRenewal(100 + 2699, 100, 3600));
  EXPECT_TRUE(NeedsRenewal(100 + 3300, 100, 3600));  // five minutes before
  EXPECT_FALSE(NeedsRenewal(2.9, 0, 4));             // a short token: a quarter before
  EXPECT_TRUE(NeedsRenewal(3.0, 0, 4));

  RateWindow window(3, 60);
  for (double t : {0.0, 1.0, 2.0}) {
    EXPECT_EQ(window.WaitBefore(t), 0);
    window.Took(t);
  }
  EXPECT_DOUBLE_EQ(window.WaitBefore(10), 50);
  window.Took(60);
  EXPECT_DOUBLE_EQ(window.WaitBefore(60), 1);

  EXPECT_EQ(PollSeconds(0), 2);
  EXPECT_EQ(PollSeconds(100), 3);
  EXPECT_EQ(PollSeconds(600), 5);
}

TEST(CloudRules, ResultsAndReports) {
  EXPECT_TRUE(LooksLikeDrawing(std::string_view("AC1032\0\0", 8)));
  EXPECT_TRUE(LooksLikeDrawing("AC1015 rest"));
  for (const char* bad : {"", "AC10", "AC101", "AC1O15", "ac1015", "PK\x03\x04zip"}) {
    EXPECT_FALSE(LooksLikeDrawing(bad)) << bad;
  }
  EXPECT_EQ(LastLines("a\r\n\r\nb\n  \nc", 2), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(LastLines("x\n", 5), (std::vector<std::string>{"x"}));
  EXPECT_TRUE(LastLines("", 3).empty());
}

}  // namespace
}  // namespace kavro::cloud
