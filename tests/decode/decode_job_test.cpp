#include "decode/decode_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "decode_helpers.h"
#include "support/run_tool.h"

namespace vexalo {
namespace {

using test::FixturePath;
using test::ReadBytes;
using test::TempFile;

// Runs next frame until decoding is over; returns every result (bounded, so a decoder that
// never ends fails the test instead of hanging it).
std::vector<int> StepAll(std::vector<FrameFacts>* facts = nullptr, std::size_t limit = 100'000) {
  std::vector<int> results;
  static unsigned char area[kFrameScratchBytes];
  FrameFacts f;
  while (results.size() < limit) {
    const int r = NextFrame(area, sizeof area, f);
    results.push_back(r);
    if (facts) facts->push_back(f);
    if (r == 0 || r == -1) break;
  }
  return results;
}

int CountPositive(const std::vector<int>& results) {
  int n = 0;
  for (int r : results) n += r > 0;
  return n;
}

class DecodeJobTest : public ::testing::Test {
 protected:
  void TearDown() override { EndDecodeJob(); }
};

TEST_F(DecodeJobTest, WholeFixtureGivesFullFramesThenEnds) {
  ASSERT_EQ(StartDecodeJob(FixturePath("stereo_44k.mp3")), 1);
  std::vector<FrameFacts> facts;
  const std::vector<int> results = StepAll(&facts);
  ASSERT_FALSE(results.empty());
  EXPECT_TRUE(results.back() == 0 || results.back() == -1);
  for (std::size_t i = 0; i < results.size(); ++i) {
    const int r = results[i];
    ASSERT_TRUE(r == 4608 || r == -2 || i + 1 == results.size()) << "result " << r << " at " << i;
    if (r > 0) {
      EXPECT_EQ(facts[i].layer, 3);
      EXPECT_EQ(facts[i].mode, 3);
      EXPECT_EQ(facts[i].sampleRate, 44100);
      EXPECT_EQ(facts[i].bitRate, 128000);
    }
  }
  // 33,017 bytes of 417/418-byte frames: every frame, the last one included (the guard bytes).
  EXPECT_EQ(CountPositive(results), 79);
  EXPECT_TRUE(TheDecodeJob.endOfInput);
  // Stepping after the end stays at the end.
  unsigned char area[kFrameScratchBytes];
  FrameFacts f;
  EXPECT_LE(NextFrame(area, sizeof area, f), 0);
}

TEST_F(DecodeJobTest, TruncatedStreamDecodesTheWholeFramesBeforeTheCut) {
  const std::string whole = ReadBytes(FixturePath("stereo_44k.mp3"));
  ASSERT_GT(whole.size(), 20'000u);
  TempFile cut(whole.substr(0, 20'000 + 200));  // 200 bytes into a frame
  ASSERT_EQ(StartDecodeJob(cut.path()), 1);
  const std::vector<int> results = StepAll();
  EXPECT_TRUE(results.back() == 0 || results.back() == -1);
  const int frames = CountPositive(results);
  // 20,200 / 417.96 = 48.3 frames are in the file; the half frame at the end is not decoded,
  // and the frame before it may lose its reservoir-free decode at worst.
  EXPECT_GE(frames, 46);
  EXPECT_LE(frames, 48);
  for (int r : results) EXPECT_TRUE(r == 4608 || r == -2 || r == 0 || r == -1) << r;
}

TEST_F(DecodeJobTest, GarbageGivesNoSamplesAndEnds) {
  std::mt19937 rng(7);
  std::string garbage(60'000, '\0');
  for (char& c : garbage) c = static_cast<char>(rng() & 0x7F);  // never a sync byte
  TempFile file(garbage);
  ASSERT_EQ(StartDecodeJob(file.path()), 1);
  std::vector<FrameFacts> facts;
  const std::vector<int> results = StepAll(&facts, 1000);
  ASSERT_LT(results.size(), 1000u);
  EXPECT_EQ(CountPositive(results), 0);
  for (std::size_t i = 0; i + 1 < results.size(); ++i) EXPECT_EQ(results[i], -2);
  EXPECT_EQ(results.back(), -1);
  EXPECT_EQ(facts.back().layer, 0);
}

TEST_F(DecodeJobTest, EmptyFileEndsWithinAFewSteps) {
  TempFile empty("");
  ASSERT_EQ(StartDecodeJob(empty.path()), 1);
  const std::vector<int> results = StepAll(nullptr, 10);
  ASSERT_LE(results.size(), 4u);
  for (std::size_t i = 0; i + 1 < results.size(); ++i) EXPECT_EQ(results[i], -2);
  EXPECT_EQ(results.back(), -1);
  EXPECT_TRUE(TheDecodeJob.endOfInput);
}

TEST_F(DecodeJobTest, GarbageBetweenFramesIsSkipped) {
  std::string bytes = ReadBytes(FixturePath("stereo_44k.mp3"));
  std::string junk(3000, '\x55');
  bytes.insert(15'000, junk);
  TempFile file(bytes);
  ASSERT_EQ(StartDecodeJob(file.path()), 1);
  const std::vector<int> results = StepAll();
  EXPECT_GE(CountPositive(results), 75);
  EXPECT_LE(CountPositive(results), 79);
}

TEST_F(DecodeJobTest, StartFailsForMissingFileAndNextFrameEndsAtOnce) {
  EXPECT_EQ(StartDecodeJob("/nonexistent/dir/song.mp3"), 0);
  EXPECT_EQ(TheDecodeJob.file, -1);
  EXPECT_EQ(StepAll(), std::vector<int>{-1});
}

TEST_F(DecodeJobTest, StartRefusesWhatIsNotARegularFileAndSaysWhy) {
  char folder[] = "/tmp/vexalo-decode-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string fifo = std::string(folder) + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* why;
  } cases[] = {
      {fifo, "Is a FIFO, not a regular file"},  // opening it must not wait for a writer
      {"/dev/zero", "Is a device, not a regular file"},  // reading it would never end
      {folder, "Is a directory"},
      {"/nonexistent/dir/song.mp3", "No such file or directory"},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(StartDecodeJob(c.path, &why), 0) << c.path;
    EXPECT_EQ(why, c.why) << c.path;
    EXPECT_EQ(TheDecodeJob.file, -1) << c.path;
  }
  ::unlink(fifo.c_str());
  ::rmdir(folder);
}

TEST_F(DecodeJobTest, ReadingStopsAtTheSizeTheFileHadAtStart) {
  const std::string whole = ReadBytes(FixturePath("stereo_44k.mp3"));
  TempFile file(whole);
  ASSERT_EQ(StartDecodeJob(file.path()), 1);
  // A file that grows while it is decoded (or one that never ends) is read only as far as it
  // reached when the job started.
  for (int i = 0; i < 3; ++i) std::ofstream(file.path(), std::ios::binary | std::ios::app) << whole;
  EXPECT_EQ(CountPositive(StepAll()), 79);
}

TEST_F(DecodeJobTest, StartAgainWithoutEndReleasesThePreviousJob) {
  ASSERT_EQ(StartDecodeJob(FixturePath("stereo_44k.mp3")), 1);
  const int firstFile = TheDecodeJob.file;
  StepAll(nullptr, 3);
  ASSERT_EQ(StartDecodeJob(FixturePath("mono_22k.mp3")), 1);
  // The first descriptor was closed and is free again (or reused by the new job).
  EXPECT_TRUE(::fcntl(firstFile, F_GETFD) == -1 || TheDecodeJob.file == firstFile);
  std::vector<FrameFacts> facts;
  const std::vector<int> results = StepAll(&facts);
  EXPECT_EQ(CountPositive(results), 80);
  for (std::size_t i = 0; i < results.size(); ++i)
    if (results[i] > 0) {
      ASSERT_EQ(facts[i].sampleRate, 22050);
    }
}

TEST_F(DecodeJobTest, JobStartIsRefusedWhileAWorkerHoldsTheJob) {
  ASSERT_EQ(StartDecodeJob(FixturePath("stereo_44k.mp3")), 1);
  const int file = TheDecodeJob.file;
  HoldDecodeJob(true);
  EXPECT_EQ(StartDecodeJob(FixturePath("mono_22k.mp3")), 0);
  EXPECT_EQ(TheDecodeJob.file, file);
  HoldDecodeJob(false);
}

// The input callback, driven directly on a job over a file of known bytes.
class InputCallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_bytes.resize(100'000);
    for (std::size_t i = 0; i < m_bytes.size(); ++i) m_bytes[i] = static_cast<char>(i * 31 + i / 256);
    m_file = std::make_unique<TempFile>(m_bytes);
    ASSERT_EQ(StartDecodeJob(m_file->path()), 1);
    mad_stream_init(&m_stream);
  }
  void TearDown() override {
    mad_stream_finish(&m_stream);
    EndDecodeJob();
  }
  std::string m_bytes;
  std::unique_ptr<TempFile> m_file;
  mad_stream m_stream;
};

TEST_F(InputCallbackTest, FillsTheBufferAndMovesTheUnconsumedTail) {
  DecodeJob& job = TheDecodeJob;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  ASSERT_EQ(job.inputLength, kInputBufferBytes);
  EXPECT_EQ(std::memcmp(job.inputBuffer, m_bytes.data(), kInputBufferBytes), 0);
  EXPECT_EQ(m_stream.buffer, job.inputBuffer);
  EXPECT_EQ(m_stream.bufend, job.inputBuffer + kInputBufferBytes);

  // libmad consumed 30,000 bytes: the 10,000-byte tail moves to the front, then the next
  // 30,000 bytes of the file follow it.
  m_stream.next_frame = job.inputBuffer + 30'000;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  ASSERT_EQ(job.inputLength, kInputBufferBytes);
  EXPECT_EQ(std::memcmp(job.inputBuffer, m_bytes.data() + 30'000, kInputBufferBytes), 0);
  EXPECT_FALSE(job.endOfInput);
}

TEST_F(InputCallbackTest, AppendsTheGuardAtEndOfInputThenStops) {
  DecodeJob& job = TheDecodeJob;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  m_stream.next_frame = job.inputBuffer + kInputBufferBytes;  // all consumed
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  m_stream.next_frame = job.inputBuffer + kInputBufferBytes - 100;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);  // 100 + last 20,000
  ASSERT_EQ(job.inputLength, 20'100u);
  m_stream.next_frame = job.inputBuffer + 20'000;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);  // read gives 0
  EXPECT_TRUE(job.endOfInput);
  ASSERT_EQ(job.inputLength, 100u + MAD_BUFFER_GUARD);
  EXPECT_EQ(std::memcmp(job.inputBuffer, m_bytes.data() + m_bytes.size() - 100, 100), 0);
  for (int i = 0; i < MAD_BUFFER_GUARD; ++i) EXPECT_EQ(job.inputBuffer[100 + i], 0);
  EXPECT_EQ(m_stream.bufend, job.inputBuffer + 100 + MAD_BUFFER_GUARD);
  EXPECT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_STOP);
}

TEST_F(InputCallbackTest, GuardFitsWhenTheBufferIsFull) {
  DecodeJob& job = TheDecodeJob;
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  m_stream.next_frame = job.inputBuffer;  // nothing consumed: no room to read
  ASSERT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  EXPECT_TRUE(job.endOfInput);
  EXPECT_EQ(job.inputLength, kInputBufferBytes + MAD_BUFFER_GUARD);
  for (int i = 0; i < MAD_BUFFER_GUARD; ++i) EXPECT_EQ(job.inputBuffer[kInputBufferBytes + i], 0);
}

TEST_F(InputCallbackTest, FailingReadEndsInputAfterBoundedRetries) {
  DecodeJob& job = TheDecodeJob;
  const int file = job.file;
  job.file = ::open("/", O_RDONLY | O_DIRECTORY);  // reads fail with EISDIR
  ASSERT_GE(job.file, 0);
  EXPECT_EQ(DecodeInputCallback(&job, &m_stream), MAD_FLOW_CONTINUE);
  EXPECT_TRUE(job.endOfInput);
  EXPECT_EQ(job.inputLength, static_cast<std::uint32_t>(MAD_BUFFER_GUARD));
  ::close(job.file);
  job.file = file;
}

// The frame decoder's flow handling, with callbacks that the test scripts.
struct Script {
  std::string bytes;
  bool fed = false;
  enum mad_flow input = MAD_FLOW_CONTINUE;
  enum mad_flow header = MAD_FLOW_CONTINUE;
  enum mad_flow filter = MAD_FLOW_CONTINUE;
  enum mad_flow output = MAD_FLOW_CONTINUE;
  enum mad_flow error = MAD_FLOW_CONTINUE;
  int outputs = 0;
  int errors = 0;
};

enum mad_flow ScriptInput(void* d, mad_stream* s) {
  auto& sc = *static_cast<Script*>(d);
  if (sc.fed) return MAD_FLOW_STOP;
  sc.fed = true;
  sc.bytes.append(MAD_BUFFER_GUARD, '\0');
  mad_stream_buffer(s, reinterpret_cast<const unsigned char*>(sc.bytes.data()), sc.bytes.size());
  return sc.input;
}
enum mad_flow ScriptHeader(void* d, mad_header const*) { return static_cast<Script*>(d)->header; }
enum mad_flow ScriptFilter(void* d, mad_stream const*, mad_frame*) { return static_cast<Script*>(d)->filter; }
enum mad_flow ScriptOutput(void* d, mad_header const*, mad_pcm*) {
  auto& sc = *static_cast<Script*>(d);
  ++sc.outputs;
  return sc.output;
}
enum mad_flow ScriptError(void* d, mad_stream*, mad_frame*) {
  auto& sc = *static_cast<Script*>(d);
  ++sc.errors;
  return sc.error;
}

// The first step result after the stream has its input.
int FirstFrameStep(Script& sc, bool withFilter = true) {
  FrameDecoder dec;
  dec.Init(&sc, ScriptInput, ScriptHeader, withFilter ? ScriptFilter : nullptr, ScriptOutput, ScriptError);
  if (dec.Start() != 1) return 99;
  int r = dec.Step();
  if (r == -2) {
    if (dec.Refill() != 1) return 98;
    r = dec.Step();
  }
  return r;
}

TEST(FrameDecoder, MapsCallbackFlowsToStepResults) {
  struct Case {
    const char* what;
    enum mad_flow Script::*which;
    enum mad_flow flow;
    int result;
    int outputs;
  };
  const Case cases[] = {
      {"all continue", &Script::header, MAD_FLOW_CONTINUE, 1, 1},
      {"header stop", &Script::header, MAD_FLOW_STOP, 0, 0},
      {"header break", &Script::header, MAD_FLOW_BREAK, -1, 0},
      {"header ignore", &Script::header, MAD_FLOW_IGNORE, 1, 0},
      {"filter stop", &Script::filter, MAD_FLOW_STOP, 0, 0},
      {"filter break", &Script::filter, MAD_FLOW_BREAK, -1, 0},
      {"filter ignore", &Script::filter, MAD_FLOW_IGNORE, 1, 0},
      {"output stop", &Script::output, MAD_FLOW_STOP, 0, 1},
      {"output break", &Script::output, MAD_FLOW_BREAK, -1, 1},
      {"output ignore", &Script::output, MAD_FLOW_IGNORE, 1, 1},
  };
  const std::string bytes = test::ReadBytes(FixturePath("stereo_44k.mp3"));
  for (const Case& c : cases) {
    Script sc;
    sc.bytes = bytes;
    sc.*c.which = c.flow;
    EXPECT_EQ(FirstFrameStep(sc), c.result) << c.what;
    EXPECT_EQ(sc.outputs, c.outputs) << c.what;
  }
}

TEST(FrameDecoder, RecoverableErrorsGoThroughTheErrorCallback) {
  // A lost sync before the first frame is a recoverable header error.
  const std::string bytes = std::string(1, '\xFF') + std::string(3, '\x00') +
                            test::ReadBytes(FixturePath("stereo_44k.mp3"));
  struct Case {
    enum mad_flow flow;
    int result;
  };
  for (const Case& c : {Case{MAD_FLOW_STOP, 0}, Case{MAD_FLOW_BREAK, -1}, Case{MAD_FLOW_CONTINUE, 1},
                        Case{MAD_FLOW_IGNORE, 1}}) {
    Script sc;
    sc.bytes = std::string(2, '\x00') + bytes;
    sc.error = c.flow;
    FrameDecoder dec;
    dec.Init(&sc, ScriptInput, ScriptHeader, ScriptFilter, ScriptOutput, ScriptError);
    ASSERT_EQ(dec.Start(), 1);
    ASSERT_EQ(dec.Step(), -2);
    ASSERT_EQ(dec.Refill(), 1);
    int r = 1;
    for (int i = 0; i < 10 && sc.errors == 0 && r == 1; ++i) r = dec.Step();
    EXPECT_GE(sc.errors, 1) << c.flow;
    EXPECT_EQ(r, c.result) << c.flow;
  }
}

TEST(FrameDecoder, RefillMapsTheInputFlow) {
  struct Case {
    enum mad_flow flow;
    int result;
  };
  for (const Case& c : {Case{MAD_FLOW_CONTINUE, 1}, Case{MAD_FLOW_IGNORE, 1}, Case{MAD_FLOW_STOP, 0},
                        Case{MAD_FLOW_BREAK, -1}, Case{static_cast<enum mad_flow>(0x30), -2}}) {
    Script sc;
    sc.bytes = "x";
    sc.input = c.flow;
    FrameDecoder dec;
    dec.Init(&sc, ScriptInput, ScriptHeader, ScriptFilter, ScriptOutput, ScriptError);
    ASSERT_EQ(dec.Start(), 1);
    EXPECT_EQ(dec.Refill(), c.result) << c.flow;
  }
}

TEST(FrameDecoder, NeedsAnInputCallbackAndAStart) {
  Script sc;
  FrameDecoder dec;
  EXPECT_EQ(dec.Step(), -1);
  dec.Init(&sc, nullptr, ScriptHeader, ScriptFilter, ScriptOutput, ScriptError);
  EXPECT_EQ(dec.Start(), 0);
  EXPECT_FALSE(dec.Started());
  EXPECT_EQ(dec.Header().layer, 0);
}

TEST(FrameDecoder, RunsWithoutOptionalCallbacks) {
  Script sc;
  sc.bytes = test::ReadBytes(FixturePath("mono_16k.mp3"));
  EXPECT_EQ(FirstFrameStep(sc, false), 1);
  EXPECT_EQ(sc.outputs, 1);
}

}  // namespace
}  // namespace vexalo
