#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "capture/capture_device.h"
#include "capture/capture_error.h"
#include "tests/fakes/fake_dsound.h"
#include "tests/support/recording_app.h"

namespace {

const char kGetCapsMessage[] = "Fehler: GetCaps, eventuell wird Aufnahmeformat nicht unterstützt";
const char kNoFormatMessage[] = "Das gewünschte WAV-Format ist nicht verfuegbar";

// Every failure box reads "<what the code means> \n <message>".
void ExpectReport(const std::string& text, const char* message) {
    std::string tail = std::string(" \n ") + message;
    ASSERT_GT(text.size(), tail.size()) << text;
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    std::string head = text.substr(0, text.size() - tail.size());
    EXPECT_FALSE(head.empty());
    EXPECT_LE(head.size(), 255u);
    EXPECT_EQ(head.find('\n'), std::string::npos) << head;
}

class CaptureDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp().Reset(); }
    void TearDown() override {
        EXPECT_EQ(fake->LiveObjects(), 0) << "every interface released";
        EXPECT_EQ(fake->OverReleases(), 0) << "and none released twice";
        EXPECT_EQ(fake->UsesAfterRelease(), 0);
        TestApp().Reset();
    }
    std::vector<std::string> BoxTexts() { return TestApp().Texts(); }

    FakeDirectSoundScope fake;
};

}  // namespace

TEST_F(CaptureDeviceTest, RequestedFormatAvailable) {
    {
        CCaptureDevice device(&DSDEVID_DefaultCapture);
        EXPECT_EQ(fake->LastDeviceId(), &DSDEVID_DefaultCapture) << "the id is passed on unchanged";
        ASSERT_NE(device.GetBlock(), nullptr);
        EXPECT_EQ(device.GetBlock()->count, 0u);
        fake->script.formats = WAVE_FORMAT_4S16;
        DWORD format = WAVE_FORMAT_4S16;
        ASSERT_TRUE(device.Configure(&format, 1024));
        EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S16);

        DSCBUFFERDESC desc = fake->LastBufferDesc();
        EXPECT_EQ(desc.dwSize, sizeof(DSCBUFFERDESC));
#ifdef __i386__
        // The sizes of the 32-bit platform, as the device hands them to DirectSound.
        EXPECT_EQ(desc.dwSize, 28u);
        EXPECT_EQ(fake->CountCalls("GetCaps 16 "), 1);
#endif
        EXPECT_EQ(desc.dwFlags, 0u);
        EXPECT_EQ(desc.dwBufferBytes, 8192u);
        EXPECT_EQ(desc.dwReserved, 0u);
        EXPECT_EQ(desc.dwFXCount, 0u);
        EXPECT_EQ(desc.lpDSCFXDesc, nullptr);
        WAVEFORMATEX wf = fake->LastBufferFormat();
        EXPECT_EQ(wf.nSamplesPerSec, 44100u);
        EXPECT_EQ(wf.nChannels, 2);
        EXPECT_EQ(wf.wBitsPerSample, 16);
        EXPECT_EQ(wf.cbSize, 18);

        FakeCaptureBuffer* buffer = fake->CurrentBuffer();
        ASSERT_NE(buffer, nullptr);
        EXPECT_TRUE(buffer->Running());
        EXPECT_EQ(buffer->RefCount(), 1) << "only the queried reference is kept";
        EXPECT_EQ(fake->CountCalls("Start 1"), 1) << "started looping";
        device.StopBuffer();
        EXPECT_FALSE(buffer->Running());
        EXPECT_EQ(fake->LiveObjects(), 1) << "the capture object stays until the wrapper goes";
        device.StopBuffer();  // nothing left to stop
    }
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(fake->CaptureObjectsCreated(), 1);
}

TEST_F(CaptureDeviceTest, FallbackFormatsAndBufferSizes) {
    const struct { DWORD mask; DWORD chosen; DWORD bytes; } cases[] = {
        {0x8000 | 0x400, 0x8000, 8192},
        {0x100, 0x100, 2048},
        {0x400, 0x400, 4096},
        {0x200, 0x200, 4096},
        {0x800 | 0x80000, 0x800, 8192},  // the requested one wins when present
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        CCaptureDevice device(nullptr);
        fake->script.formats = c.mask;
        DWORD format = WAVE_FORMAT_4S16;
        ASSERT_TRUE(device.Configure(&format, 1024));
        EXPECT_EQ(format, c.chosen);
        EXPECT_EQ(fake->LastBufferDesc().dwBufferBytes, c.bytes);
        EXPECT_EQ(device.GetWaveFormat().nBlockAlign * 2048u, c.bytes);
        device.StopBuffer();
    }
    EXPECT_EQ(fake->LastDeviceId(), nullptr);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(CaptureDeviceTest, NoStandardFormatAtAll) {
    CCaptureDevice device(nullptr);
    fake->script.formats = 0xFFF00000;
    DWORD format = WAVE_FORMAT_4S16;
    EXPECT_FALSE(device.Configure(&format, 1024));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_4S16);
    EXPECT_EQ(fake->CountCalls("CreateCaptureBuffer"), 0);
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0], kNoFormatMessage) << "this box has no result code";
    EXPECT_EQ(TestApp().Boxes()[0].type, (UINT)MB_OK);
    EXPECT_FALSE(device.ReadHalf());
}

TEST_F(CaptureDeviceTest, CaptureObjectCreatedOnSecondAttempt) {
    fake->script.createFailures = 1;
    CCaptureDevice device(nullptr);
    EXPECT_EQ(fake->CountCalls("CreateInstance"), 2);
    EXPECT_TRUE(BoxTexts().empty()) << "the first failure alone is not reported";
    EXPECT_NE(device.GetBlock(), nullptr);
}

TEST_F(CaptureDeviceTest, CaptureObjectNeverCreated) {
    fake->script.createFailures = 2;
    fake->script.createFailure = E_OUTOFMEMORY;
    CCaptureDevice device(nullptr);
    ASSERT_EQ(BoxTexts().size(), 1u);
    ExpectReport(BoxTexts()[0], "Wiederholter Fehler: DirectSoundCapture Erzeugung");
    EXPECT_EQ(TestApp().Boxes()[0].threadId, GetCurrentThreadId());
    EXPECT_EQ(device.GetBlock(), nullptr);
    fake->ClearCalls();
    DWORD format = 0x800;
    EXPECT_FALSE(device.Configure(&format, 1024));
    EXPECT_TRUE(fake->Calls().empty()) << "no platform call without a capture object";
    EXPECT_EQ(BoxTexts().size(), 1u) << "and nothing more shown";
    EXPECT_FALSE(device.ReadHalf());
}

TEST_F(CaptureDeviceTest, BindingToTheDeviceFails) {
    fake->script.initializeResult = DSERR_NODRIVER;
    CCaptureDevice device(nullptr);
    ASSERT_EQ(BoxTexts().size(), 1u);
    ExpectReport(BoxTexts()[0], "Fehler: DirectSound Initialisierung");
    EXPECT_EQ(device.GetBlock(), nullptr);
    EXPECT_EQ(fake->LiveObjects(), 1) << "the unbound capture object is kept";
    DWORD format = 0x800;
    EXPECT_FALSE(device.Configure(&format, 1024));
    ASSERT_EQ(BoxTexts().size(), 2u);
    ExpectReport(BoxTexts()[1], kGetCapsMessage);
    EXPECT_EQ(fake->CountCalls("CreateCaptureBuffer"), 0) << "never reached with an unbound object";
}

TEST_F(CaptureDeviceTest, ConfigureFailures) {
    {
        CCaptureDevice device(nullptr);
        fake->script.getCapsResult = DSERR_INVALIDPARAM;
        DWORD format = 0x800;
        EXPECT_FALSE(device.Configure(&format, 1024));
        EXPECT_EQ(format, 0x800u);
        ASSERT_EQ(BoxTexts().size(), 1u);
        ExpectReport(BoxTexts()[0], kGetCapsMessage);
    }
    TestApp().Reset();
    fake->script.Reset();
    {
        CCaptureDevice device(nullptr);
        fake->script.formats = WAVE_FORMAT_48M08;
        fake->script.createBufferResult = DSERR_BADFORMAT;
        DWORD format = 0x800;
        EXPECT_FALSE(device.Configure(&format, 1024));
        EXPECT_EQ(format, (DWORD)WAVE_FORMAT_48M08) << "the format that was tried";
        ASSERT_EQ(BoxTexts().size(), 1u);
        ExpectReport(BoxTexts()[0], "Fehler: Create CaptureBuffer");
        EXPECT_FALSE(device.ReadHalf());
    }
    TestApp().Reset();
    fake->script.Reset();
    {
        CCaptureDevice device(nullptr);
        fake->script.bufferQueryResult = E_NOINTERFACE;
        DWORD format = 0x800;
        EXPECT_FALSE(device.Configure(&format, 1024));
        ASSERT_EQ(BoxTexts().size(), 1u);
        ExpectReport(BoxTexts()[0], "Fehler: IDirectSoundCaptureBuffer Interface Erzeugung");
        EXPECT_EQ(fake->LiveObjects(), 1) << "the new buffer has been released again";
        EXPECT_FALSE(device.ReadHalf());
    }
}

TEST_F(CaptureDeviceTest, BufferSizeBeyond32BitsIsNeverHandedOn) {
    CCaptureDevice device(nullptr);
    DWORD format = 0x800;
    EXPECT_FALSE(device.Configure(&format, 0x40000001));  // would wrap to 8 bytes
    EXPECT_EQ(fake->CountCalls("CreateCaptureBuffer"), 0);
    ASSERT_EQ(BoxTexts().size(), 1u);
    ExpectReport(BoxTexts()[0], "Fehler: Create CaptureBuffer");
}

TEST_F(CaptureDeviceTest, ConfiguringAgainReleasesTheRunningBufferFirst) {
    CCaptureDevice device(nullptr);
    DWORD format = 0x800;
    ASSERT_TRUE(device.Configure(&format, 1024));
    FakeCaptureBuffer* first = fake->CurrentBuffer();
    fake->ClearCalls();
    fake->script.formats = WAVE_FORMAT_1M08;
    format = 0x800;
    ASSERT_TRUE(device.Configure(&format, 1024));
    EXPECT_EQ(format, (DWORD)WAVE_FORMAT_1M08);
    std::vector<std::string> calls = fake->Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "Stop");
    EXPECT_EQ(calls[1], "Release buffer");
    EXPECT_EQ(calls[2].substr(0, 7), "GetCaps");
    EXPECT_FALSE(first->Running());
    EXPECT_NE(fake->CurrentBuffer(), first);
    EXPECT_EQ(fake->LiveObjects(), 2);
    device.StopBuffer();
}

TEST_F(CaptureDeviceTest, ReadHalfFollowsBothPositions) {
    CCaptureDevice device(nullptr);
    fake->ClearCalls();
    EXPECT_FALSE(device.ReadHalf()) << "no buffer yet";
    EXPECT_TRUE(fake->Calls().empty()) << "and no platform call for it";

    DWORD format = 0x800;
    ASSERT_TRUE(device.Configure(&format, 1024));
    FakeCaptureBuffer* buffer = fake->CurrentBuffer();
    buffer->FillPattern(0);

    buffer->SetPositions(4200, 4000);
    EXPECT_FALSE(device.ReadHalf()) << "positions either side of the middle";
    buffer->SetPositions(4096, 4096);
    EXPECT_FALSE(device.ReadHalf()) << "the middle belongs to neither half";
    buffer->SetPositions(6000, 5000);
    ASSERT_TRUE(device.ReadHalf());
    ASSERT_EQ(device.GetBlock()->count, 4096u);
    EXPECT_EQ(device.GetBlock()->data[0], 0);
    EXPECT_EQ(device.GetBlock()->data[4095], (BYTE)4095);
    EXPECT_EQ(fake->CountCalls("Lock 0 4096"), 1);
    EXPECT_EQ(fake->CountCalls("Unlock 0 4096"), 1);

    EXPECT_FALSE(device.ReadHalf()) << "half 1 is not complete while we are still in it";
    buffer->SetPositions(100, 6000);
    EXPECT_FALSE(device.ReadHalf());
    buffer->SetPositions(300, 100);
    ASSERT_TRUE(device.ReadHalf());
    ASSERT_EQ(device.GetBlock()->count, 4096u) << "replaced, not appended";
    EXPECT_EQ(device.GetBlock()->data[0], (BYTE)4096);
    EXPECT_EQ(fake->CountCalls("Lock 4096 4096"), 1);

    // Late for half 0: both positions are back in it, so it waits for the next pass over.
    buffer->SetPositions(200, 150);
    EXPECT_FALSE(device.ReadHalf());
    buffer->SetPositions(5000, 4500);
    EXPECT_TRUE(device.ReadHalf());
    EXPECT_EQ(fake->CountCalls("Lock 0 4096"), 2);

    device.StopBuffer();
    fake->ClearCalls();
    buffer = nullptr;
    EXPECT_FALSE(device.ReadHalf());
    EXPECT_TRUE(fake->Calls().empty());
    EXPECT_EQ(device.GetBlock()->count, 4096u) << "the last half stays until the next";
}

TEST_F(CaptureDeviceTest, LockAndUnlockFailures) {
    CCaptureDevice device(nullptr);
    DWORD format = 0x800;
    ASSERT_TRUE(device.Configure(&format, 1024));
    FakeCaptureBuffer* buffer = fake->CurrentBuffer();
    buffer->FillPattern(1);
    buffer->SetPositions(6000, 5000);
    ASSERT_TRUE(device.ReadHalf());
    ASSERT_EQ(device.GetBlock()->count, 4096u);

    fake->script.lockResult = DSERR_INVALIDCALL;
    buffer->SetPositions(100, 50);
    EXPECT_TRUE(device.ReadHalf()) << "a failed lock still takes the half";
    EXPECT_EQ(device.GetBlock()->count, 0u) << "and leaves the block empty";
    EXPECT_EQ(fake->CountCalls("Unlock"), 1) << "nothing locked, nothing unlocked";
    ASSERT_EQ(BoxTexts().size(), 1u);
    ExpectReport(BoxTexts()[0], "Fehler: PufferLock");

    fake->script.lockResult = DS_OK;
    fake->script.unlockResult = DSERR_INVALIDPARAM;
    EXPECT_FALSE(device.ReadHalf()) << "the next half flipped to 0, which is not complete here";
    buffer->SetPositions(5000, 4500);
    EXPECT_TRUE(device.ReadHalf());
    EXPECT_EQ(device.GetBlock()->count, 4096u) << "the half is copied even though unlocking failed";
    EXPECT_EQ(device.GetBlock()->data[0], 1);
    ASSERT_EQ(BoxTexts().size(), 2u);
    ExpectReport(BoxTexts()[1], "Error: BufferUnlock");
    device.StopBuffer();
}

TEST_F(CaptureDeviceTest, DestroyedWhileStillCapturing) {
    {
        CCaptureDevice device(nullptr);
        DWORD format = 0x800;
        ASSERT_TRUE(device.Configure(&format, 1024));
        fake->ClearCalls();
    }
    std::vector<std::string> calls = fake->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0], "Stop");
    EXPECT_EQ(calls[1], "Release buffer");
    EXPECT_EQ(calls[2], "Release capture");
}

TEST(CaptureError, SuccessCodesPassSilently) {
    TestApp().Reset();
    EXPECT_TRUE(ReportCaptureError(S_OK, "x"));
    EXPECT_TRUE(ReportCaptureError(S_FALSE, "x"));
    EXPECT_TRUE(ReportCaptureError(0x7FFFFFFF, "x"));
    EXPECT_EQ(TestApp().BoxCount(), 0u);
    EXPECT_FALSE(ReportCaptureError(E_FAIL, "Fehler: Test"));
    ASSERT_EQ(TestApp().BoxCount(), 1u);
    EXPECT_EQ(TestApp().Boxes()[0].type, (UINT)MB_OK);
    TestApp().Reset();
}

TEST(CaptureError, CodesAreDescribedOrShownInHexadecimal) {
    char text[256];
    memset(text, 'x', sizeof(text));
    DescribeResultCode((HRESULT)0x8BAD0001, text);
    EXPECT_STREQ(text, "0x8BAD0001");
    memset(text, 'x', sizeof(text));
    DescribeResultCode(E_OUTOFMEMORY, text);
    size_t length = strnlen(text, sizeof(text));
    ASSERT_LT(length, sizeof(text)) << "always terminated";
    EXPECT_GT(length, 0u);
    EXPECT_NE(std::string(text).substr(0, 2), "0x") << "the platform knows this one: " << text;
    EXPECT_NE(text[length - 1], '\n');
}
