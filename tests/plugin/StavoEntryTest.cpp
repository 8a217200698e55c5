// Stavo's front door, through the host: the real built library, loaded as the host loads it.
#include "host/HostSession.h"
#include "host/PlugInLibrary.h"
#include "host/SharedLibrary.h"
#include "veltrix/HostInterface.h"

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define QS_HAS_ASAN 1
#include <sanitizer/lsan_interface.h>
#endif

#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <QString>

#include <windows.h>
#endif

namespace {

const std::string kStavoLibrary = QS_STAVO_LIBRARY;

// A host display with nothing to say.
class ProbeDisplay final : public VeltrixPlugIn::CHostDisplay {
public:
    const char* GetDataFromAsr(const char*) override { return nullptr; }
    platform::Rect GetRadarArea() const override { return { 0, 0, 800, 600 }; }
    platform::Rect GetChatArea() const override { return { 0, 600, 800, 700 }; }
    void AddScreenObject(int, const char*, platform::Rect, bool, const char*) override { }
    void RequestRefresh() override { }
};

// With LeakSanitizer, whether anything allocated is no longer reachable; 0 otherwise.
int LeakCheck()
{
#ifdef QS_HAS_ASAN
    return __lsan_do_recoverable_leak_check();
#else
    return 0;
#endif
}

class StavoEntryTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        m_Library = host::CPlugInLibrary::Load(kStavoLibrary, &error);
        ASSERT_NE(m_Library, nullptr) << error;
        m_PlugIn = m_Library->PlugIn();
    }

    std::unique_ptr<host::CPlugInLibrary> m_Library;
    VeltrixPlugIn::CPlugIn* m_PlugIn = nullptr;
};

TEST_F(StavoEntryTest, ExportsBothEntryPointsByTheirPlainNames)
{
    std::string error;
    void* handle = host::shared_library::Open(kStavoLibrary, &error);
    ASSERT_NE(handle, nullptr) << error;
    EXPECT_NE(host::shared_library::Symbol(handle, "VeltrixPlugInInit"), nullptr);
    EXPECT_NE(host::shared_library::Symbol(handle, "VeltrixPlugInExit"), nullptr);
    host::shared_library::Close(handle);
}

TEST_F(StavoEntryTest, IntroducesItselfAndRegistersOneDisplayType)
{
    const VeltrixPlugIn::HostPlugIn& plugIn = VeltrixPlugIn::CHostAccess::Of(*m_PlugIn);
    EXPECT_EQ(plugIn.compatibility, 8); // the interface version it is built for
    EXPECT_EQ(plugIn.name, "STAVO view");
    EXPECT_EQ(plugIn.version, "1.0");
    EXPECT_FALSE(plugIn.author.empty());
    EXPECT_FALSE(plugIn.copyright.empty());
    ASSERT_EQ(plugIn.displayTypes.size(), 1u);
    const auto& type = plugIn.displayTypes[0];
    EXPECT_EQ(type.name, "STAVO View");
    EXPECT_FALSE(type.needRadarContent);
    EXPECT_FALSE(type.geoReferenced);
    EXPECT_FALSE(type.canBeSaved);
    EXPECT_FALSE(type.canBeCreated);
}

TEST_F(StavoEntryTest, CreatesScreensOnlyForTheExactName)
{
    for (const char* name : { "STAVO view", "STAVO View ", " STAVO View", "STAVO VIEW", "STAVO Vie",
             "", static_cast<const char*>(nullptr) })
        EXPECT_EQ(m_PlugIn->CreateDisplayScreen(name, false, false, false, false), nullptr)
            << (name != nullptr ? name : "(null)");
}

TEST_F(StavoEntryTest, EveryCallMakesAScreenOfItsOwnThatDeletesItselfOnClosing)
{
    ProbeDisplay probes[3];
    VeltrixPlugIn::CRadarScreen* screens[3] = {};
    for (int i = 0; i < 3; ++i) {
        screens[i] = m_PlugIn->CreateDisplayScreen("STAVO View", false, false, false, false);
        ASSERT_NE(screens[i], nullptr);
        VeltrixPlugIn::CHostAccess::AttachToHost(*screens[i], &probes[i], m_PlugIn);
        EXPECT_EQ(screens[i]->GetPlugIn(), m_PlugIn);
    }
    EXPECT_EQ(std::set<VeltrixPlugIn::CRadarScreen*>(screens, screens + 3).size(), 3u);
    for (VeltrixPlugIn::CRadarScreen*& screen : screens)
        std::exchange(screen, nullptr)->OnDisplayClosing();
    // A screen that did not delete itself is unreachable now: a leak.
    EXPECT_EQ(LeakCheck(), 0);
}

TEST_F(StavoEntryTest, TheHostOpensAndClosesDisplaysOfTheSample)
{
    {
        host::CHostSession session(host::CAirportTable(), [](const std::string&) {});
        session.UsePlugIn(std::move(m_Library));
        std::vector<std::string> warnings;
        std::string error;
        const auto settings
            = host::CDisplaySettings::Load(QS_SOURCE_DIR "/samples/lhbp.asr", &error, &warnings);
        ASSERT_TRUE(settings) << error;
        ASSERT_TRUE(session.OpenDisplay("STAVO View", *settings, &error)) << error;
        ASSERT_TRUE(session.OpenDisplay("STAVO View", *settings, &error)) << error;
        EXPECT_FALSE(session.OpenDisplay("STAVO view", *settings, &error));
        EXPECT_EQ(session.Displays().size(), 2u);
        EXPECT_NE(session.Displays()[0]->Screen(), session.Displays()[1]->Screen());
        session.Shutdown(); // closes both, then VeltrixPlugInExit and unload
        EXPECT_EQ(session.PlugIn(), nullptr);
    }
    EXPECT_EQ(LeakCheck(), 0); // every screen deleted itself
}

TEST_F(StavoEntryTest, TheLibraryFileCarriesItsVersion)
{
    EXPECT_TRUE(m_Library->File().ends_with("/" QS_STAVO_FILE_NAME)) << m_Library->File();
#ifdef _WIN32
    // The version resource, as Explorer's file properties read it.
    const std::wstring path = QString::fromStdString(m_Library->File()).toStdWString();
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, DWORD(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (3u << 16) | 1u);
    EXPECT_EQ(fixed->dwFileVersionLS, (4u << 16) | 1u);
    wchar_t* text = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\StringFileInfo\\040904b0\\FileVersion",
        reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), L"3.1.4.1");
#else
    std::ifstream file(m_Library->File(), std::ios::binary);
    const std::string bytes(
        (std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("Stavo 3.1.4.1 (file version 3.1.4.1, product version 3.1.4.1)"),
        std::string::npos);
#endif
}

TEST_F(StavoEntryTest, ExitDestroysThePlugInOnce)
{
    m_Library->Exit();
    EXPECT_EQ(m_Library->PlugIn(), nullptr);
    m_Library->Exit(); // the library object calls Exit only once
    m_Library.reset();
}

} // namespace
