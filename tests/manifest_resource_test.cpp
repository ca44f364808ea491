#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// RT_MANIFEST, spelled for the wide calls.
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

// The value of one attribute in the first element of this tag from `from`
// on, or "<none>".
std::string Attribute(const std::string& xml, const std::string& tag, size_t from,
                      const std::string& name) {
  const size_t start = xml.find("<" + tag, from);
  if (start == std::string::npos) return "<none>";
  const size_t end = xml.find('>', start);
  const std::string element = xml.substr(start, end - start);
  const size_t at = element.find(" " + name + "=\"");
  if (at == std::string::npos) return "<none>";
  const size_t value = at + name.size() + 3;
  return element.substr(value, element.find('"', value) - value);
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

BOOL CALLBACK AddName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<ULONG_PTR>*>(names)->push_back(reinterpret_cast<ULONG_PTR>(name));
  return TRUE;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR languages) {
  reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
  return TRUE;
}

}  // namespace

// The program beside this test, as Windows would read its manifest.
TEST(Manifest, AsksForCommonControlsSixAndNothingElse) {
  HMODULE exe = LoadLibraryExW(L"brindlet.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  std::vector<ULONG_PTR> names;
  std::vector<WORD> languages;
  EnumResourceNamesW(exe, kManifestType, AddName, reinterpret_cast<LONG_PTR>(&names));
  EnumResourceLanguagesW(exe, kManifestType, MAKEINTRESOURCEW(1), AddLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(names, std::vector<ULONG_PTR>{1});
  EXPECT_EQ(languages, std::vector<WORD>{1033});

  HRSRC found = FindResourceExW(exe, kManifestType, MAKEINTRESOURCEW(1),
                                MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(found, nullptr);
  const std::string xml(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                        SizeofResource(exe, found));
  FreeLibrary(exe);

  EXPECT_EQ(Attribute(xml, "assemblyIdentity", 0, "version"), "1.0.0.0");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", 0, "processorArchitecture"), "amd64");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", 0, "type"), "win32");
  EXPECT_NE(Attribute(xml, "assemblyIdentity", 0, "name"), "<none>");
  EXPECT_EQ(Count(xml, "<description></description>") + Count(xml, "<description/>"), 1u);

  const size_t dependency = xml.find("<dependentAssembly>");
  ASSERT_NE(dependency, std::string::npos);
  EXPECT_EQ(Count(xml, "<dependency>"), 1u);
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "name"),
            "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "version"), "6.0.0.0");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "processorArchitecture"), "amd64");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "language"), "*");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "publicKeyToken"),
            "6595b64144ccf1df");
  EXPECT_EQ(Attribute(xml, "assemblyIdentity", dependency, "type"), "win32");

  // Two identities (the program's and the controls'), and no other request.
  EXPECT_EQ(Count(xml, "<assemblyIdentity"), 2u);
  for (const char* other : {"trustInfo", "requestedExecutionLevel", "dpiAware", "dpiAwareness",
                            "supportedOS", "compatibility", "windowsSettings"}) {
    EXPECT_EQ(xml.find(other), std::string::npos) << other;
  }
}
