// Writes a small mp3 to try the program on, from the tests' builder: an
// ID3v2.3 tag, silent frames of two bitrates (saves write a Xing frame) and
// an ID3v1 tag.
//
//   make_sample OUT.mp3 [SECONDS]

#include <cstdlib>
#include <iostream>
#include <string>

#include "support/mp3_builder.h"
#include "support/test_files.h"

int main(int argc, char** argv) {
  const double seconds = argc == 3 ? std::atof(argv[2]) : 20.0;
  if (argc < 2 || argc > 3 || !(seconds > 0 && seconds <= 3600)) {
    std::cerr << "usage: make_sample OUT.mp3 [SECONDS], SECONDS in 0..3600\n";
    return 2;
  }
  const int frames = int(seconds / 0.0261224489795918);
  kavrel::test::Mp3Builder b;
  b.id3v2Frames(3, {{"TIT2", "Kavrel sample"}, {"TPE1", "Test tone"}}, 64);
  b.frames(frames - frames / 10, {.bitrateIndex = 9}).frames(frames / 10, {.bitrateIndex = 11});
  kavrel::test::writeFile(argv[1], b.id3v1("Kavrel sample", "Test tone").bytes());  // throws when it cannot
  std::cout << argv[1] << ": " << frames << " frames\n";
  return 0;
}
