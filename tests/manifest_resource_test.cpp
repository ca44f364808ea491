#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

// RT_MANIFEST, spelled for the wide calls.
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

// The program beside this test, whose manifest is read.
std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"brindlet.exe";
}

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

// The text between the first <tag> and its </tag>, or "<none>".
std::string Content(const std::string& xml, const std::string& tag) {
  const size_t start = xml.find("<" + tag + ">");
  const size_t end = xml.find("</" + tag + ">");
  if (start == std::string::npos || end == std::string::npos) return "<none>";
  return xml.substr(start + tag.size() + 2, end - start - tag.size() - 2);
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

// The program's manifest as Windows takes it in when the program starts:
// an activation context made from the resource, which a manifest Windows
// cannot parse never becomes.
class Manifest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring program = ProgramPath();
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEW(1);  // the one read at start-up
    context_ = CreateActCtxW(&request);
    ASSERT_NE(context_, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  }
  void TearDown() override {
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }

  // One windowsSettings value, or "<none>".
  std::wstring Setting(const wchar_t* nameSpace, const wchar_t* name) const {
    wchar_t value[64] = {};
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context_, nameSpace, name, value, 64, &written)) return L"<none>";
    return value;
  }

  HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace

// One English manifest, the one Windows reads at start-up, whose identity
// names the program and whose one dependency is version 6 of the common
// controls, for the visual styles and the explorer-style dialogs.
TEST_F(Manifest, NamesTheProgramAndCommonControlsSix) {
  HMODULE exe = LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
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
  // Shown by tools that list what a program asks of Windows: one line.
  const std::string description = Content(xml, "description");
  EXPECT_NE(description, "<none>");
  EXPECT_FALSE(description.empty());
  EXPECT_EQ(description.find_first_of("\r\n<"), std::string::npos) << description;

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
  EXPECT_EQ(Count(xml, "<assemblyIdentity"), 2u);
}

// Each setting under the namespace Windows looks for it in: one misspelt
// or misplaced is silently ignored, and the program is treated as an old one.
TEST_F(Manifest, WindowsSettingsAreReadWhereWindowsLooks) {
  const wchar_t* const k2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
  const wchar_t* const k2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
  const struct {
    const wchar_t* nameSpace;
    const wchar_t* name;
    const wchar_t* value;
  } kSettings[] = {
      // Per-monitor awareness: drawn sharp at any scaling, on every screen.
      {k2016, L"dpiAwareness", L"PerMonitorV2"},
      // What Windows before 10 reads instead.
      {k2005, L"dpiAware", L"true/pm"},
      {k2016, L"longPathAware", L"true"},
  };
  for (const auto& setting : kSettings) {
    EXPECT_EQ(Setting(setting.nameSpace, setting.name), setting.value) << setting.name;
  }
}

// Started by anyone, with their own rights: no elevation prompt.
TEST_F(Manifest, RunsWithTheRightsOfWhoeverStartsIt) {
  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxW(0, context_, nullptr, RunlevelInformationInActivationContext, &level,
                           sizeof level, &written));
  EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
  EXPECT_EQ(level.UiAccess, 0u);
}

// Every Windows from 7 to 11 is named, so none of them runs the program
// under the rules kept for older ones.
TEST_F(Manifest, NamesEveryWindowsFromSevenOn) {
  const GUID kWindows[] = {
      {0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}},  // 7
      {0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}},  // 8
      {0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}},  // 8.1
      {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}},  // 10, 11
  };
  // Laid out as Windows 10 and wine lay it out, each element ending in the
  // tested-version field that mingw's declaration lacks.
  struct {
    DWORD count;
    struct {
      GUID id;
      ACTCTX_COMPATIBILITY_ELEMENT_TYPE type;
      ULONGLONG maxVersionTested;
    } elements[8];
  } compatibility = {};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxW(0, context_, nullptr, CompatibilityInformationInActivationContext,
                           &compatibility, sizeof compatibility, &written));
  ASSERT_EQ(compatibility.count, 4u);
  ASSERT_EQ(written, offsetof(decltype(compatibility), elements) + 4 * sizeof compatibility.elements[0]);
  for (DWORD i = 0; i < compatibility.count; ++i) {
    EXPECT_EQ(compatibility.elements[i].type, ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) << i;
    EXPECT_TRUE(IsEqualGUID(compatibility.elements[i].id, kWindows[i])) << i;
  }
}
