#include "window/shadow_copy.h"

#include <windows.h>

#include <cstdio>

namespace runner {
namespace {

constexpr char kFolderPrefix[] = "WindowsNorvik-";
constexpr int kFolderAttempts = 100;
unsigned copyCount = 0;

std::string RunnersFolder() {
    char temp[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH) {
        return std::string();
    }
    return std::string(temp) + "Norvik";
}

std::string OwnFolder() {
    const std::string runners = RunnersFolder();
    return runners.empty() ? runners : runners + "\\" + kFolderPrefix + std::to_string(GetCurrentProcessId());
}

std::string FolderOf(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string NameOf(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string &path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path : path.substr(0, dot);
}

// Removes a folder and everything in it that is not in use; true when it is gone.
bool RemoveFolder(const std::string &folder) {
    WIN32_FIND_DATAA found = {};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + "\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveFolder(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryA(folder.c_str()) != 0;
}

bool IsProcessRunning(DWORD processId) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        // Another user's process cannot be opened, but then its folder is not ours.
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

}  // namespace

std::string MakeShadowCopy(const std::string &libraryPath) {
    const std::string own = OwnFolder();
    if (own.empty()) {
        return std::string();
    }
    CreateDirectoryA(RunnersFolder().c_str(), nullptr);
    CreateDirectoryA(own.c_str(), nullptr);
    // A folder of that number may be left from a runner that had this process id
    // before: the next free number will do.
    std::string folder;
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        folder = own + "\\" + std::to_string(++copyCount);
        if (CreateDirectoryA(folder.c_str(), nullptr)) {
            break;
        }
        folder.clear();
    }
    if (folder.empty()) {
        return std::string();
    }
    const std::string copy = folder + "\\" + NameOf(libraryPath);
    if (!CopyFileA(libraryPath.c_str(), copy.c_str(), FALSE)) {
        RemoveFolder(folder);
        return std::string();
    }
    // The debugger finds the symbols by the copy's name; a .pdb that cannot be copied
    // costs only them.
    const std::string symbols = WithoutExtension(libraryPath) + ".pdb";
    if (GetFileAttributesA(symbols.c_str()) != INVALID_FILE_ATTRIBUTES) {
        CopyFileA(symbols.c_str(), (folder + "\\" + NameOf(symbols)).c_str(), FALSE);
    }
    return copy;
}

void RemoveShadowCopiesExcept(const std::string &keptCopy) {
    const std::string own = OwnFolder();
    const std::string kept = FolderOf(keptCopy);
    WIN32_FIND_DATAA found = {};
    const HANDLE search = FindFirstFileA((own + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::string name = found.cFileName;
        const std::string folder = own + "\\" + name;
        if (name != "." && name != ".." && lstrcmpiA(folder.c_str(), kept.c_str()) != 0) {
            RemoveFolder(folder);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    if (keptCopy.empty()) {
        RemoveDirectoryA(own.c_str());
        RemoveDirectoryA(RunnersFolder().c_str());
    }
}

void RemoveLeftoverShadowCopies() {
    const std::string runners = RunnersFolder();
    WIN32_FIND_DATAA found = {};
    const HANDLE search = FindFirstFileA((runners + "\\" + kFolderPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        unsigned long processId = 0;
        // A folder with this runner's own id is a dead runner's whose id came again.
        if (std::sscanf(found.cFileName + sizeof kFolderPrefix - 1, "%lu", &processId) == 1 &&
            (processId == GetCurrentProcessId() || !IsProcessRunning(static_cast<DWORD>(processId)))) {
            RemoveFolder(runners + "\\" + found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string DependencyFolderOf(const std::string &libraryPath) { return FolderOf(libraryPath); }

void SearchDependenciesBeside(const std::string &libraryPath) {
    SetDllDirectoryA(libraryPath.empty() ? nullptr : FolderOf(libraryPath).c_str());
}

}  // namespace runner
