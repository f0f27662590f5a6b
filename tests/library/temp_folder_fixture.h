// A fresh temporary folder made the working directory for one test, since
// the program finds its files relative to the working directory.
#pragma once

#include <string>
#include <string_view>

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    std::string previous_;
};

// Whole-file helpers; paths relative to the working directory.
void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);
// Names in a folder other than "." and "..", sorted.
std::string listFolder(const std::string& path);
// UTF-8 text to the Windows-1251 bytes our files hold.
std::string cp(std::string_view utf8);
