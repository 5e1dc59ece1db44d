// The platform half of the PNG decoder: the raw-data resource, the two kinds
// of bitmap, and what happens when the platform refuses one.
#include "images/png_bitmap.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// 3 x 2 truecolour, 8 bits: (1,2,3) (100,110,120) (200,210,220) over
// (11,12,13) (100,110,120) (200,210,220).
const Bytes goodPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0x12, 0x16, 0xf1, 0x4d, 0x00,
    0x00, 0x00, 0x18, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x64, 0x62, 0x4e, 0xc9, 0xab, 0x38,
    0x71, 0xe9, 0x0e, 0x03, 0x37, 0x0f, 0x2f, 0x84, 0x05, 0x00, 0x3d, 0x88, 0x07, 0xab, 0xa3, 0xab, 0x45,
    0xf9, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// The same with filter type 5 on the second row: the fill fails.
const Bytes badFilterPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
    0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0x12, 0x16, 0xf1, 0x4d, 0x00,
    0x00, 0x00, 0x18, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x64, 0x62, 0x4e, 0xc9, 0xab, 0x38,
    0x71, 0xe9, 0x0e, 0x2b, 0x37, 0x0f, 0x2f, 0x84, 0x05, 0x00, 0x3d, 0xba, 0x07, 0xb0, 0x32, 0x7e, 0xd3,
    0x79, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

// The rows a 24-bit bitmap of goodPng holds: blue-green-red, padded to 12.
const Bytes expectedRows = {3,  2,  1,  120, 110, 100, 220, 210, 200, 0, 0, 0,
                            13, 12, 11, 120, 110, 100, 220, 210, 200, 0, 0, 0};

constexpr int goodId = 401;
constexpr int badFilterId = 402;
constexpr int notPngId = 403;
constexpr int missingId = 499;

// A copy of this executable with raw-data resources added, loaded as data.
class ResourceModule {
public:
    ResourceModule() {
        char self[MAX_PATH];
        char directory[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        GetTempPathA(MAX_PATH, directory);
        GetTempFileNameA(directory, "png", 0, path_);
        CopyFileA(self, path_, FALSE);
        HANDLE update = BeginUpdateResourceA(path_, FALSE);
        add(update, goodId, goodPng);
        add(update, badFilterId, badFilterPng);
        add(update, notPngId, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'P', 'N', 'G', ' ', 'f', 'i', 'l', 'e', '!', '!'});
        EndUpdateResourceA(update, FALSE);
        module_ = LoadLibraryExA(path_, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ResourceModule() {
        FreeLibrary(module_);
        DeleteFileA(path_);
    }
    HMODULE module() const {
        return module_;
    }

private:
    static void add(HANDLE update, int id, const Bytes& bytes) {
        UpdateResourceA(update, MAKEINTRESOURCEA(10), MAKEINTRESOURCEA(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                        const_cast<uint8_t*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    }
    char path_[MAX_PATH] = {};
    HMODULE module_ = nullptr;
};

class PngBitmapWin32 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        resources = new ResourceModule;
    }
    static void TearDownTestSuite() {
        delete resources;
        resources = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(resources->module(), nullptr);
        pngInit(&state);
    }
    void TearDown() override {
        pngRelease(&state);
        pngSetBitmapCalls({nullptr, nullptr});
    }
    void loadAndDecode(int id) {
        ASSERT_EQ(pngLoadResource(&state, resources->module(), id), 1) << state.lastError;
        ASSERT_EQ(pngDecode(&state), 1) << state.lastError;
    }
    static ResourceModule* resources;
    PngState state;
};

ResourceModule* PngBitmapWin32::resources = nullptr;

// The bitmap's pixels as top-down 24-bit rows, through the platform.
Bytes pixelsOf(HBITMAP bitmap) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    Bytes rows(24, 0xEE);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, 2, rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    for (size_t padding : {9, 10, 11, 21, 22, 23}) {
        rows[padding] = 0;
    }
    return rows;
}

TEST_F(PngBitmapWin32, ResourceDecodesIntoADibSection) {
    loadAndDecode(goodId);
    EXPECT_EQ(state.sourceKind, pngSourceResource);
    HBITMAP bitmap = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0);
    ASSERT_NE(bitmap, nullptr) << state.lastError;
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 3);
    EXPECT_EQ(section.dsBm.bmHeight, 2);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    ASSERT_NE(section.dsBm.bmBits, nullptr);
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(section.dsBm.bmBits), static_cast<uint8_t*>(section.dsBm.bmBits) + 24),
              expectedRows);
    EXPECT_EQ(state.stage, pngStageDecoded);
    DeleteObject(bitmap);
}

TEST_F(PngBitmapWin32, OtherVariantMakesADeviceDependentBitmap) {
    loadAndDecode(goodId);
    HBITMAP bitmap = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 1);
    ASSERT_NE(bitmap, nullptr) << state.lastError;
    DIBSECTION section{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(pixelsOf(bitmap), expectedRows);
    DeleteObject(bitmap);
}

TEST_F(PngBitmapWin32, BitmapMayBeMadeAgain) {
    loadAndDecode(goodId);
    HBITMAP first = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0);
    HBITMAP second = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(pixelsOf(first), pixelsOf(second));
    DeleteObject(first);
    DeleteObject(second);
}

TEST_F(PngBitmapWin32, MissingResourceIsReported) {
    EXPECT_EQ(pngLoadResource(&state, resources->module(), missingId), 0);
    EXPECT_EQ(state.lastError, pngErrorNoResource);
    EXPECT_EQ(state.stage, pngStageEmpty);
}

TEST_F(PngBitmapWin32, ResourceThatIsNoPngIsRefusedByTheScan) {
    EXPECT_EQ(pngLoadResource(&state, resources->module(), notPngId), 0);
    EXPECT_EQ(state.lastError, pngErrorNotPng);
    EXPECT_EQ(state.sourceKind, pngSourceNone);
}

TEST_F(PngBitmapWin32, LoadingTwiceIsRefused) {
    ASSERT_EQ(pngLoadResource(&state, resources->module(), goodId), 1);
    EXPECT_EQ(pngLoadResource(&state, resources->module(), goodId), 0);
    EXPECT_EQ(state.lastError, pngErrorAlreadyLoaded);
}

TEST_F(PngBitmapWin32, BitmapBeforeDecodingIsTheWrongStage) {
    ASSERT_EQ(pngLoadResource(&state, resources->module(), goodId), 1);
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0), nullptr);
    EXPECT_EQ(state.lastError, pngErrorWrongStage);
}

TEST_F(PngBitmapWin32, FormatOfAnotherKindIsRefused) {
    loadAndDecode(goodId);
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngFormatWord(pngGrey, 8, 1, pngCopy), 0), nullptr);
    EXPECT_EQ(state.lastError, pngErrorFormatMismatch);
}

HBITMAP WINAPI refuseDibSection(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD) {
    return nullptr;
}

HBITMAP WINAPI refuseDibitmap(HDC, const BITMAPINFOHEADER*, DWORD, const void*, const BITMAPINFO*, UINT) {
    return nullptr;
}

TEST_F(PngBitmapWin32, PlatformRefusingTheDibSectionIsReported) {
    loadAndDecode(goodId);
    pngSetBitmapCalls({refuseDibSection, nullptr});
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0), nullptr);
    EXPECT_EQ(state.lastError, pngErrorBitmapRefused);
}

TEST_F(PngBitmapWin32, PlatformRefusingTheDependentBitmapIsReported) {
    loadAndDecode(goodId);
    pngSetBitmapCalls({nullptr, refuseDibitmap});
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngDefaultFormat, 1), nullptr);
    EXPECT_EQ(state.lastError, pngErrorBitmapRefused);
}

void* refuseAllocation(size_t) {
    return nullptr;
}

TEST_F(PngBitmapWin32, PixelBufferOutOfMemoryIsReported) {
    loadAndDecode(goodId);
    const PngAllocator previous = pngSetAllocator(refuseAllocation);
    HBITMAP bitmap = pngCreateBitmap(&state, nullptr, pngDefaultFormat, 1);
    pngSetAllocator(previous);
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(state.lastError, pngErrorOutOfMemory);
}

HBITMAP madeSection = nullptr;

HBITMAP WINAPI watchDibSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
    madeSection = CreateDIBSection(dc, info, usage, bits, section, offset);
    return madeSection;
}

TEST_F(PngBitmapWin32, DibSectionIsFreedWhenTheFillFails) {
    loadAndDecode(badFilterId);
    madeSection = nullptr;
    pngSetBitmapCalls({watchDibSection, nullptr});
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngDefaultFormat, 0), nullptr);
    ASSERT_NE(madeSection, nullptr);
    BITMAP description{};
    EXPECT_EQ(GetObjectA(madeSection, sizeof description, &description), 0) << "the section was left behind";
}

TEST_F(PngBitmapWin32, FillFailingInTheOtherVariantMakesNoBitmap) {
    loadAndDecode(badFilterId);
    EXPECT_EQ(pngCreateBitmap(&state, nullptr, pngDefaultFormat, 1), nullptr);
}

}  // namespace
