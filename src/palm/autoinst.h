// AutoInst: the Palm Desktop's users and the HotSync install queue.
//
// TUserData finds the Palm Desktop once, when it is created: the vendor key below
// HKEY_CURRENT_USER gives the desktop directory ("Pilot Desktop\Core", value "Path"), and the
// user file "users.dat" in that directory gives the users. From then on it answers by list
// position. QueueInstall hands a file to a user's next HotSync: it copies the file into the user's
// "Install" folder and sets the user's install flag below "Pilot Desktop\HotSync Manager".
//
// Nothing here raises an error: failures give neutral answers (0, "", an empty list) or false.
// The Palm Desktop's keys and files are only read, except for the install folder, the copied
// file and the install flag.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace qs {

class TStream;

inline constexpr std::string_view kUsRoboticsKey = "Software\\U.S. Robotics";
inline constexpr std::string_view kPalmComputingKey = "Software\\Palm Computing";
inline constexpr std::string_view kDesktopCoreKey = "Pilot Desktop\\Core";
inline constexpr std::string_view kHotSyncManagerKey = "Pilot Desktop\\HotSync Manager";
inline constexpr std::string_view kDesktopPathValue = "Path";
inline constexpr std::string_view kUsersFileName = "users.dat";
inline constexpr std::string_view kInstallFolderName = "Install";
inline constexpr std::string_view kInstallFlagPrefix = "Install";
inline constexpr std::string_view kMsgDesktopNotInstalled = "The Pilot DeskTop Software is not Correctly Installed";
inline constexpr std::string_view kCaptionDesktopAccess = "Pilot Desktop Access";

inline constexpr std::size_t kDesktopPathSize = 256;  // bytes of the desktop path, terminator included
inline constexpr std::size_t kUserTextSize = 32;      // bytes of a user's name or folder, terminator included
inline constexpr std::size_t kUsersFirstEntry = 13;   // offset of the first entry in "users.dat"

// One user of the Palm Desktop.
struct UserRecord {
  std::uint16_t number = 0;  // names the user's install flag
  char name[kUserTextSize] = {};
  char folder[kUserTextSize] = {};  // subdirectory of the desktop directory
};

// What a "users.dat" gave.
struct UsersFile {
  int declaredCount = 0;          // the count byte at offset 0
  std::vector<UserRecord> users;  // in file order
  bool truncated = false;         // the file ended before the declared count was read
  int nameCut = 0;                // names longer than 31 characters, kept cut to 31
  int folderTooLong = 0;          // entries left out because their folder name is longer than 31
};

// Reads the entries of a "users.dat" from the stream's position 0 onwards. Reads only as far as the
// bytes go and never past them: entries read completely before the data ends are kept.
// A name longer than 31 characters is cut to 31; an entry whose folder name is longer than 31 is
// left out (a cut folder name would name another folder); the bytes of both are passed over, so the
// entries after them are read.
UsersFile ReadUsersFile(TStream& file);

// Opens the Palm Desktop's vendor key: "Software\U.S. Robotics", or "Software\Palm Computing" when
// the first cannot be opened. Gives the name of the key that opened ("" when neither did); key is
// then open and the caller closes it.
std::string_view OpenVendorKey(IRegistry& registry, RegKey& key);

// Whether a user's folder name names exactly one subdirectory of the desktop directory: not empty
// once trailing dots and spaces are dropped, and without "\", "/" or ":".
bool IsPlainFolderName(std::string_view folder);

class TUserData {
 public:
  // Runs the discovery to its end: registry, desktop path, user file.
  explicit TUserData(Platform& platform);
  ~TUserData();
  TUserData(const TUserData&) = delete;
  TUserData& operator=(const TUserData&) = delete;

  bool DesktopMissing() const { return FDesktopMissing; }
  int UserCount() const { return FUserCount; }
  std::string DesktopPath() const;
  // 0, "" and "" for a position that is negative or not below UserCount.
  int UserNumber(int position) const;
  std::string UserName(int position) const;
  std::string UserFolder(int position) const;

  // Copies the file at path into the install folder of the user at position and sets the user's
  // install flag. True when the file was copied and the flag written. False, with nothing done,
  // for an empty list, a bad position or a user whose folder is not a plain folder name.
  bool QueueInstall(int position, const std::string& path);

  // The vendor key that discovery used ("" when the desktop is missing).
  std::string_view VendorKey() const { return FVendorKey; }

 private:
  const UserRecord* Record(int position) const;
  void ReadUserFile();

  Platform& FPlatform;
  std::uint8_t FUserCount = 0;
  char FDesktopPath[kDesktopPathSize] = {};
  std::vector<UserRecord> FUserRecords;
  bool FDesktopMissing = false;
  std::string_view FVendorKey;
};

}  // namespace qs
