// Shell links made the way an installer makes them: IShellLinkA saved through IPersistFile.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <string>

#include "core/win32/WideText.h"

struct TLinkData {
  std::string Target;
  std::string Arguments;
  std::string WorkingDirectory;
  std::string Description;
  std::string IconLocation;
  int IconIndex = 0;
};

inline TLinkData LinkTo(const std::string& target, const std::string& description = "") {
  TLinkData data;
  data.Target = target;
  data.Description = description;
  return data;
}

// Writes a shell link the way an installer does.
inline void MakeLink(const std::string& fileName, const TLinkData& data) {
  std::filesystem::create_directories(std::filesystem::path(fileName).parent_path());
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkA* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath(data.Target.c_str());
  link->SetArguments(data.Arguments.c_str());
  link->SetWorkingDirectory(data.WorkingDirectory.c_str());
  link->SetDescription(data.Description.c_str());
  if (!data.IconLocation.empty()) link->SetIconLocation(data.IconLocation.c_str(), data.IconIndex);
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
  EXPECT_TRUE(SUCCEEDED(file->Save(Utf8ToWide(fileName).c_str(), TRUE)));
  file->Release();
  link->Release();
  CoUninitialize();
}
