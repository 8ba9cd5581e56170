// Libraries of the device's table: LoadLibrary and GetProcAddress by name and by ordinal, and device
// profiles that leave a library or an export out.
#include "tests/platform/ProgramSupport.h"
#include "tests/support/DeviceFixture.h"

#include "platform/api/WinBase.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

std::intptr_t phoneMakeCall()
{
    return 101;
}

std::intptr_t allKeys()
{
    return 202;
}

std::intptr_t ossvcsOrdinal218()
{
    return 218;
}

void defineLibraries(emu::Device& device)
{
    device.libraries().defineExport(u"phone.dll", "PhoneMakeCall", 1, phoneMakeCall);
    device.libraries().defineExport(u"coredll.dll", "AllKeys", 7, allKeys);
    device.libraries().defineExport(u"ossvcs.dll", "", 218, ossvcsOrdinal218);
}

// A look-up the program makes: a library, and an export by name or (when `name` is null) by ordinal.
struct Lookup {
    const char16_t* library;
    const char16_t* name;
    WORD ordinal;
};

// "101" when the function was found and called, "no library: 126" or "no export: 127" otherwise.
std::string lookUp(const Lookup& lookup)
{
    const HMODULE module = LoadLibrary(lookup.library);
    if (!module)
        return "no library: " + std::to_string(GetLastError());
    const FARPROC function = GetProcAddress(module, lookup.name ? lookup.name : MAKEINTRESOURCE(lookup.ordinal));
    const std::string outcome = function ? std::to_string(function()) : "no export: " + std::to_string(GetLastError());
    FreeLibrary(module);
    return outcome;
}

struct LookupCase {
    Lookup lookup;
    std::string expected;
};

class LibrariesTest : public testing_support::DeviceFixture {
protected:
    void expectLookups(const std::vector<LookupCase>& cases)
    {
        std::vector<std::string> outcomes;
        runProgram([&] {
            for (const LookupCase& lookupCase : cases)
                outcomes.push_back(lookUp(lookupCase.lookup));
            return 0;
        });
        ASSERT_EQ(outcomes.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(outcomes[i], cases[i].expected) << "look-up " << i;
    }
};

const std::string noLibrary = "no library: " + std::to_string(ERROR_MOD_NOT_FOUND);
const std::string noExport = "no export: " + std::to_string(ERROR_PROC_NOT_FOUND);

TEST_F(LibrariesTest, ExportsAreFoundByNameAndByOrdinal)
{
    defineLibraries(*device);
    expectLookups({
        { { u"phone.dll", u"PhoneMakeCall", 0 }, "101" },
        { { u"phone.dll", nullptr, 1 }, "101" },
        { { u"coredll.dll", u"AllKeys", 0 }, "202" },
        { { u"ossvcs.dll", nullptr, 218 }, "218" },
        // Library names compare without regard to case, and ".dll" may be left out.
        { { u"PHONE", u"PhoneMakeCall", 0 }, "101" },
        { { u"\\Windows\\Phone.DLL", u"PhoneMakeCall", 0 }, "101" },
        // Export names do not.
        { { u"phone.dll", u"phonemakecall", 0 }, noExport },
        { { u"coredll.dll", nullptr, 8 }, noExport },
        { { u"cellcore.dll", u"lineInitialize", 0 }, noLibrary },
    });
}

struct ProfileCase {
    const char* name;
    // ctest lists the case by its name, not by its bytes.
    friend void PrintTo(const ProfileCase& tested, std::ostream* out) { *out << tested.name; }
    std::set<std::string> missing;
    std::vector<LookupCase> lookups;
};

class ProfileTest
    : public LibrariesTest
    , public ::testing::WithParamInterface<ProfileCase> { };

TEST_P(ProfileTest, ProfileLeavesOutWhatItNamesAndNothingElse)
{
    emu::DeviceProfile profile;
    profile.missingLibraryEntries = GetParam().missing;
    resetDevice(profile);
    defineLibraries(*device);
    expectLookups(GetParam().lookups);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileTest,
    ::testing::Values(ProfileCase { "WithoutALibrary",
                          { "phone.dll" },
                          {
                              { { u"phone.dll", u"PhoneMakeCall", 0 }, noLibrary },
                              { { u"coredll.dll", u"AllKeys", 0 }, "202" },
                          } },
        ProfileCase { "WithoutAnExportNamedByName",
            { "coredll.dll!AllKeys" },
            {
                { { u"coredll.dll", u"AllKeys", 0 }, noExport },
                // The export is gone, however it is asked for.
                { { u"coredll.dll", nullptr, 7 }, noExport },
                { { u"phone.dll", u"PhoneMakeCall", 0 }, "101" },
            } },
        ProfileCase { "WithoutAnExportNamedByOrdinal",
            { "OSSVCS.DLL#218" },
            {
                { { u"ossvcs.dll", nullptr, 218 }, noExport },
                { { u"phone.dll", nullptr, 1 }, "101" },
            } },
        ProfileCase { "WithoutAnExportWhoseNameIsAskedForByOrdinal",
            { "phone.dll#1" },
            {
                { { u"phone.dll", u"PhoneMakeCall", 0 }, noExport },
                { { u"coredll.dll", nullptr, 7 }, "202" },
            } }),
    testing_support::caseName<ProfileCase>);

}
