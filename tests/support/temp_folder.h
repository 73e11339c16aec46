// A fresh folder for the files a test writes, removed with its contents when
// the test ends; and a whole file read back as bytes.
#pragma once

#include <string>

namespace tarnwick::testing {

class TempFolder {
 public:
  TempFolder();  // aborts the test program when no folder can be made
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The path of `name` inside the folder; the file need not exist.
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes the bytes exactly as given and returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const;

 private:
  std::string path_;
};

// Every byte of the file; empty when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace tarnwick::testing
