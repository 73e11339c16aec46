// A fresh folder for a fault run's files, and a count of open descriptors.
#pragma once

#include <string>

namespace tarnwick::faults {

// Removed with everything in it afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Descriptors this process holds open now.
int openDescriptors();

}  // namespace tarnwick::faults
