// The vendor fetch: host roles, address rules, redirects, caps and the end of the body,
// against the sim's canned responses and its request log.
#include "driver/vendor_fetch.h"

#include <gtest/gtest.h>

#include "driver/vendor_url.h"
#include "unit/app/sim_fixture.h"

namespace {

using platform::SimHttpResponse;

TEST(HostRoleTest, EachRoleAllowsItsHostsOnly) {
  struct Case {
    const char* name;
    int role;
    const wchar_t* host;
    bool allowed;
  };
  const Case kCases[] = {
      {"lookup service", 0, L"gfwsl.geforce.com", true},
      {"lookup, upper case", 0, L"GFWSL.GeForce.com", true},
      {"lookup, sub-host", 0, L"x.gfwsl.geforce.com", false},
      {"download host", 1, L"download.nvidia.com", true},
      {"download sub-host", 1, L"us.download.nvidia.com", true},
      {"download look-alike", 1, L"evildownload.nvidia.com", false},
      {"download suffix trick", 1, L"download.nvidia.com.evil.net", false},
      {"lookup host for downloads", 1, L"gfwsl.geforce.com", false},
      {"AMD download", 2, L"drivers.amd.com", true},
      {"AMD sub-host", 2, L"www.drivers.amd.com", false},
      {"repository", 3, L"community.chocolatey.org", true},
      {"repository files", 3, L"packages.chocolatey.org", true},
      {"7-Zip www", 4, L"www.7-zip.org", true},
      {"7-Zip bare", 4, L"7-zip.org", true},
      {"source host", 4, L"github.com", true},
      {"release assets", 4, L"objects.githubusercontent.com", true},
      {"7-Zip for AMD", 2, L"www.7-zip.org", false},
      {"mirror", 5, L"ftp.nluug.nl", true},
      {"unknown role", 6, L"download.nvidia.com", false},
      {"negative role", -1, L"drivers.amd.com", false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HostPassesRole(c.role, c.host), c.allowed);
  }
}

TEST(VendorUrlTest, SplitsStrictlyAndRefusesDecoys) {
  struct Case {
    const wchar_t* url;
    bool ok;
    const wchar_t* host;
    int port;
    const wchar_t* path;
  };
  const Case kCases[] = {
      {L"https://drivers.amd.com/a/b.exe?x=1", true, L"drivers.amd.com", 443, L"/a/b.exe?x=1"},
      {L"HTTPS://Drivers.AMD.com", true, L"drivers.amd.com", 443, L"/"},
      {L"https://drivers.amd.com:8443/x#frag", true, L"drivers.amd.com", 8443, L"/x"},
      {L"https://drivers.amd.com?q", true, L"drivers.amd.com", 443, L"/?q"},
      {L"http://drivers.amd.com/x", true, L"drivers.amd.com", 80, L"/x"},
      {L"https://drivers.amd.com@evil.net/x", false, L"", 0, L""},
      {L"https://user:pw@drivers.amd.com/x", false, L"", 0, L""},
      {L"https://drivers.amd.com:0/x", false, L"", 0, L""},
      {L"https://drivers.amd.com:65536/x", false, L"", 0, L""},
      {L"https://drivers.amd.com:44a/x", false, L"", 0, L""},
      {L"https:///x", false, L"", 0, L""},
      {L"https://drivers..amd.com/x", false, L"", 0, L""},
      {L"https://drivers.amd.com./x", false, L"", 0, L""},
      {L"https://drivers.amd.com/a b", false, L"", 0, L""},
      {L"https://drivers.amd.com\\@evil.net/", false, L"", 0, L""},
      {L"drivers.amd.com/x", false, L"", 0, L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    const auto parts = SplitVendorUrl(c.url);
    ASSERT_EQ(parts.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(parts->host, c.host);
    EXPECT_EQ(parts->port, c.port);
    EXPECT_EQ(parts->path, c.path);
  }
  EXPECT_FALSE(SplitVendorUrl(L"https://drivers.amd.com/" + std::wstring(2030, L'a')));
  EXPECT_FALSE(UrlPassesRole(2, L"http://drivers.amd.com/x"));
  EXPECT_TRUE(UrlPassesRole(2, L"https://drivers.amd.com/x"));
}

class VendorFetchTest : public SimMachineTest {
 protected:
  static constexpr wchar_t kUrl[] = L"https://download.nvidia.com/Windows/pkg.exe";

  bool Get(const std::wstring& url, std::uint64_t cap = 1 << 20, const FetchSink& sink = {}) {
    return FetchFromVendor(1, L"GET", url, false, cap, sink, result_, error_, &cancel_);
  }

  FetchResult result_;
  std::wstring error_;
  std::atomic<bool> cancel_{false};
};

TEST_F(VendorFetchTest, EndOfBodyDecidesSuccess) {
  SimHttpResponse chunked = SimHttpResponse::Ok("0123456789");
  chunked.content_length.reset();
  SimHttpResponse short_close = SimHttpResponse::Ok("0123456789");
  short_close.content_length = 11;
  SimHttpResponse long_body = SimHttpResponse::Ok("0123456789");
  long_body.content_length = 9;
  SimHttpResponse gzip = SimHttpResponse::Ok("0123456789");
  gzip.content_encoding = L"gzip";
  gzip.content_length = 6;  // the encoded bytes
  SimHttpResponse broken = SimHttpResponse::Ok("0123456789");
  broken.read_error_at = 4;
  SimHttpResponse not_found = SimHttpResponse::Ok("");
  not_found.status = 404;
  SimHttpResponse no_answer;
  no_answer.fail_step = platform::kHttpExchangeStep;
  no_answer.fail_code = 12002;
  SimHttpResponse no_session;
  no_session.fail_step = platform::kHttpSessionStep;
  no_session.fail_code = 87;
  SimHttpResponse no_connect;
  no_connect.fail_step = platform::kHttpRequestStep;
  no_connect.fail_code = 12029;
  struct Case {
    const char* name;
    SimHttpResponse response;
    std::uint64_t cap;
    bool ok;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {"announced and complete", SimHttpResponse::Ok("0123456789"), 10, true, L""},
      {"no length given", chunked, 10, true, L""},
      {"decoded longer than its encoded length", gzip, 10, true, L""},
      {"closed before the length", short_close, 100, false, L"The download ended early."},
      {"longer than announced", long_body, 100, false,
       L"The download is longer than the vendor site announced."},
      {"broken mid-body", broken, 100, false, L"The download stopped early (12030)."},
      {"over the cap", chunked, 9, false,
       L"The download is larger than a display-driver package should be."},
      {"announced over the cap", SimHttpResponse::Ok("0123456789"), 9, false,
       L"The download is larger than a display-driver package should be."},
      {"status 404", not_found, 100, false, L"The vendor site returned status 404."},
      {"no answer", no_answer, 100, false, L"The vendor site did not answer (12002)."},
      {"no session", no_session, 100, false, L"Could not open the network (87)."},
      {"no connection", no_connect, 100, false, L"Could not start the request (12029)."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.network.Serve(kUrl, c.response);
    EXPECT_EQ(Get(kUrl, c.cap), c.ok);
    EXPECT_EQ(error_, c.error);
    if (c.ok) {
      EXPECT_EQ(result_.body, "0123456789");
    }
  }
}

TEST_F(VendorFetchTest, SinkGetsEveryChunkAndCanStop) {
  SimHttpResponse big = SimHttpResponse::Ok("");
  big.padded_size = 200000;
  big.content_length = 200000;
  big.piece_size = 1 << 20;
  machine_.network.Serve(kUrl, big);
  std::vector<std::uint64_t> so_far;
  ASSERT_TRUE(
      Get(kUrl, 1 << 20, [&](const char*, std::size_t, std::uint64_t total, std::uint64_t length) {
        EXPECT_EQ(length, 200000u);
        so_far.push_back(total);
        return true;
      }));
  // 64 KiB chunks: 65536, 131072, 196608, then the last 3392 bytes.
  EXPECT_EQ(so_far, (std::vector<std::uint64_t>{65536, 131072, 196608, 200000}));
  EXPECT_TRUE(result_.body.empty());

  EXPECT_FALSE(Get(kUrl, 1 << 20,
                   [](const char*, std::size_t, std::uint64_t, std::uint64_t) { return false; }));
  EXPECT_EQ(error_, L"Could not save the download.");
  EXPECT_FALSE(result_.stopped);
  EXPECT_FALSE(Get(kUrl, 1 << 20, [&](const char*, std::size_t, std::uint64_t, std::uint64_t) {
    cancel_ = true;
    return false;
  }));
  EXPECT_EQ(error_, L"Stopped.");
  EXPECT_TRUE(result_.stopped);
}

TEST_F(VendorFetchTest, CancelFirstContactsNobody) {
  machine_.network.Serve(kUrl, SimHttpResponse::Ok("x"));
  cancel_ = true;
  EXPECT_FALSE(Get(kUrl));
  EXPECT_EQ(error_, L"Stopped.");
  EXPECT_TRUE(result_.stopped);
  EXPECT_TRUE(machine_.network.log().empty());
}

TEST_F(VendorFetchTest, AddressRulesComeBeforeAnyRequest) {
  struct Case {
    const wchar_t* url;
    const wchar_t* error;
  };
  const Case kCases[] = {
      {L"http://download.nvidia.com/x.exe", L"The address is not an https vendor URL."},
      {L"ftp://download.nvidia.com/x.exe", L"The address is not an https vendor URL."},
      {L"https://user@download.nvidia.com/x.exe", L"The address is not an https vendor URL."},
      {L"https://drivers.amd.com/x.exe", L"The address is not on the vendor site."},
      {L"https://nvidia.com/x.exe", L"The address is not on the vendor site."},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.url)));
    EXPECT_FALSE(Get(c.url));
    EXPECT_EQ(error_, c.error);
  }
  EXPECT_TRUE(machine_.network.log().empty());
}

TEST_F(VendorFetchTest, RedirectsAreFollowedOnlyWithinTheRole) {
  struct Case {
    const char* name;
    const wchar_t* location;
    bool ok;
    const wchar_t* final_url;
  };
  const Case kCases[] = {
      {"absolute, same role", L"https://us.download.nvidia.com/final.exe", true,
       L"https://us.download.nvidia.com/final.exe"},
      {"relative path", L"/final.exe", true, L"https://download.nvidia.com/final.exe"},
      {"another domain", L"https://evil.example/final.exe", false, L""},
      {"down to http", L"http://us.download.nvidia.com/final.exe", false, L""},
      {"scheme-relative elsewhere", L"//evil.example/final.exe", false, L""},
  };
  machine_.network.Serve(L"https://us.download.nvidia.com/final.exe", SimHttpResponse::Ok("body"));
  machine_.network.Serve(L"https://download.nvidia.com/final.exe", SimHttpResponse::Ok("body"));
  machine_.network.Serve(L"https://evil.example/final.exe", SimHttpResponse::Ok("evil"));
  machine_.network.Serve(L"http://us.download.nvidia.com/final.exe", SimHttpResponse::Ok("evil"));
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    machine_.network.Serve(kUrl, SimHttpResponse::Redirect(c.location, 301));
    EXPECT_EQ(Get(kUrl), c.ok);
    if (c.ok) {
      EXPECT_EQ(result_.finalUrl, c.final_url);
      EXPECT_EQ(result_.body, "body");
    } else {
      EXPECT_EQ(error_, L"The download was redirected away from the vendor site.");
    }
  }
  // The foreign hosts were never contacted, not even once.
  EXPECT_EQ(machine_.network.CountFor(L"evil.example"), 0u);
  for (const auto& exchange : machine_.network.log()) {
    EXPECT_EQ(exchange.url.rfind(L"https://", 0), 0u) << testing::PrintToString(exchange.url);
  }
}

TEST_F(VendorFetchTest, EndlessRedirectsEnd) {
  machine_.network.Serve(kUrl, SimHttpResponse::Redirect(kUrl));
  EXPECT_FALSE(Get(kUrl));
  EXPECT_EQ(error_, L"The vendor site did not answer (12156).");
  EXPECT_EQ(machine_.network.log().size(), 11u);
}

TEST_F(VendorFetchTest, RequestCarriesAgentTimeOutsAndHeadersByRole) {
  machine_.network.Serve(L"https://drivers.amd.com/p.exe", SimHttpResponse::Ok("x"));
  machine_.network.Serve(kUrl, SimHttpResponse::Ok("x"));
  ASSERT_TRUE(FetchFromVendor(2, L"HEAD", L"https://drivers.amd.com/p.exe", true, 1, {}, result_,
                              error_, nullptr));
  ASSERT_TRUE(FetchFromVendor(1, L"GET", kUrl, true, 1, {}, result_, error_, nullptr));
  ASSERT_TRUE(FetchFromVendor(1, L"GET", kUrl, false, 1, {}, result_, error_, nullptr));
  const auto log = machine_.network.log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].method, L"HEAD");
  EXPECT_EQ(log[0].user_agent, L"NvBackend/36.0.0.0");
  EXPECT_EQ(log[0].headers,
            L"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)\r\n"
            L"Referer: https://www.amd.com/en/support/download/drivers.html\r\n");
  EXPECT_EQ(log[1].headers, L"User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64)\r\n");
  EXPECT_EQ(log[2].headers, L"");
  EXPECT_EQ(log[2].timeouts.resolve_ms, 20000u);
  EXPECT_EQ(log[2].timeouts.connect_ms, 20000u);
  EXPECT_EQ(log[2].timeouts.send_ms, 60000u);
  EXPECT_EQ(log[2].timeouts.receive_ms, 30000u);
  // HEAD ends with the headers: the length is the announced one.
  EXPECT_EQ(result_.contentLength, 1u);
}

TEST_F(VendorFetchTest, NoNetworkSaysTheSiteDidNotAnswer) {
  machine_.network.SetOffline(true);
  EXPECT_FALSE(Get(kUrl));
  EXPECT_EQ(error_, L"The vendor site did not answer (12029).");
}

}  // namespace
