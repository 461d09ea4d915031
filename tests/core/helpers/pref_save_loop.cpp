// Saves one preference file over and over, alternating between two contents, so that a test can kill
// it at any moment of a save. Usage: pref_save_loop PATH COUNT. Save number 1 writes content A,
// save 2 content B, and so on; the two differ in length as well as in bytes.
#include <cstdlib>
#include <string>

#include "storage/preference_file.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const long count = std::strtol(argv[2], nullptr, 10);
  for (long i = 0; i < count; ++i) {
    const bool first = i % 2 == 0;
    if (!preference::Create(argv[1])) return 1;
    for (int group = 0; group < 300; ++group) {
      preference::SelectGroup(("Program " + std::to_string(group)).c_str());
      for (int key = 0; key < 5; ++key) {
        std::string value(first ? 60 : 90, first ? 'A' : 'B');
        value += std::to_string(group * 5 + key);
        preference::WriteString(("Key" + std::to_string(key)).c_str(), value.c_str());
      }
    }
    preference::Close();
  }
  return 0;
}
