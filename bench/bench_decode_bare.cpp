// The floor for decoding speed: libmad alone. Reads the whole file, decodes and synthesises
// every frame, and folds the left channel into a checksum so that no work can be skipped.
#include <mad.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_decode_bare FILE.mp3\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "rb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<unsigned char> data;
  unsigned char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) data.insert(data.end(), chunk, chunk + n);
  std::fclose(f);
  data.resize(data.size() + MAD_BUFFER_GUARD, 0);

  mad_stream stream;
  mad_frame frame;
  mad_synth synth;
  mad_stream_init(&stream);
  mad_frame_init(&frame);
  mad_synth_init(&synth);
  mad_stream_buffer(&stream, data.data(), data.size());

  unsigned long frames = 0;
  long long checksum = 0;
  for (;;) {
    if (mad_frame_decode(&frame, &stream) == -1) {
      if (MAD_RECOVERABLE(stream.error)) continue;
      break;  // end of the buffer
    }
    mad_synth_frame(&synth, &frame);
    for (unsigned i = 0; i < synth.pcm.length; ++i) checksum += synth.pcm.samples[0][i] >> 13;
    ++frames;
  }
  mad_synth_finish(&synth);
  mad_frame_finish(&frame);
  mad_stream_finish(&stream);
  std::printf("frames: %lu\nchecksum: %lld\n", frames, checksum);
  return 0;
}
