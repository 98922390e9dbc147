#include "update/update_check.h"

#include <gtest/gtest.h>

#include <string>

namespace tarquel {
namespace {

TEST(IsOpenableLink, AcceptsAbsoluteWebAddresses) {
  for (const char* link : {
           "https://example.org/tarquel/download",
           "http://example.org",
           "HTTPS://EXAMPLE.ORG/Setup.exe",
           "https://example.org:8443/get?version=1.0.1&os=win#top",
           "https://downloads.example.org/tarquel%20setup.exe",
           "http://[2001:db8::1]:8080/",
           "https://user@example.org/",
       }) {
    EXPECT_TRUE(IsOpenableLink(link)) << link;
  }
}

TEST(IsOpenableLink, RefusesWhatTheShellWouldRunOrOpenLocally) {
  for (const char* link : {
           "",
           "calc.exe",
           "C:\\Windows\\System32\\calc.exe",
           "\\\\server\\share\\setup.exe",
           "file:///C:/Windows/System32/calc.exe",
           "javascript:alert(1)",
           "mailto:someone@example.org",
           "ftp://example.org/setup.exe",
           "ms-settings://display",
           "example.org/download",
           "//example.org/download",
           "http:/example.org",
           "https:example.org",
       }) {
    EXPECT_FALSE(IsOpenableLink(link)) << link;
  }
}

TEST(IsOpenableLink, RefusesAddressesWithoutHost) {
  for (const char* link : {"https://", "https:///setup.exe", "https://:443/", "https://user@/",
                           "http://?x", "http://[]/"}) {
    EXPECT_FALSE(IsOpenableLink(link)) << link;
  }
}

TEST(IsOpenableLink, RefusesCharactersNoAddressHolds) {
  for (const char* link : {
           " https://example.org/",                        // leading space kept by the reader
           "https://example.org/a b",                      // space inside
           "https://example.org/\nmore text",              // further lines of the version file
           "https://example.org/\" --new-window \"c:\\x",  // quote that ends a shell argument
           "https://example.org/\x01", "https://example.org/<script>",
           "https://ex\xC3\xA4mple.org/",  // raw non-ASCII bytes
       }) {
    EXPECT_FALSE(IsOpenableLink(link)) << link;
  }
}

TEST(IsUnderInvalidDomain, RecognisesTheReservedDomainInAnyCase) {
  for (const wchar_t* host :
       {L"updates.tarquel.invalid", L"invalid", L"INVALID", L"x.Invalid", L"x.invalid."}) {
    EXPECT_TRUE(IsUnderInvalidDomain(host));
  }
}

TEST(IsUnderInvalidDomain, LeavesOtherHostsAlone) {
  for (const wchar_t* host :
       {L"example.org", L"notinvalid", L"invalid.example.org", L"invalidx", L"127.0.0.1", L""}) {
    EXPECT_FALSE(IsUnderInvalidDomain(host));
  }
}

TEST(UpdatePromptText, NamesTheVersionInItsFirstLine) {
  EXPECT_EQ(UpdatePromptText("1.0.1"),
            "A new version (1.0.1) is available!\n\nClick Yes to download the update, No to skip "
            "this version, or Cancel to decide later.");
}

}  // namespace
}  // namespace tarquel
