// Path utilities: splitting and rebuilding wide-string paths, name validation, file tests,
// copies, moves, deletions and folder listings.
//
// Both '\' and '/' separate path components in every splitting function; a separator that a
// function inserts is the platform's own. No function throws for a missing file or folder:
// tests return false, queries 0 or an empty string.
#pragma once

#include <string>
#include <vector>

namespace ek::filesystem {

// The characters that separate path components, on every platform.
inline constexpr wchar_t all_directory_separators[] = L"\\/";

// The separator this platform's paths use; the one inserted by combine and
// include_directory_separator.
extern const wchar_t native_directory_separator;

// How this platform names libraries and programs.
extern const wchar_t library_prefix[];
extern const wchar_t library_extension[];
extern const wchar_t application_extension[];

// Flags of `find`.
inline constexpr int find_directories = 1;
inline constexpr int find_files = 2;
inline constexpr int find_recursive = 4;

// --- Splitting and rebuilding (no file-system access) ---

bool is_separator(wchar_t c);

// The folder part including its trailing separator; empty when the path has none.
std::wstring directory(const std::wstring& path);
// Everything after the last separator (the whole path when there is none).
std::wstring filename(const std::wstring& path);
// The file name without its last extension; a name whose only dot is its first character
// is kept whole.
std::wstring basename(const std::wstring& path);
// The last extension including its dot; empty when there is none.
std::wstring extension(const std::wstring& path);
std::string extension(const std::string& path);
// Everything from the file name's first dot, in lower case.
std::wstring full_extension(const std::wstring& path);

std::wstring change_extension(const std::wstring& path, const std::wstring& ext);
std::string change_extension(const std::string& path, const std::string& ext);
std::wstring change_basename(const std::wstring& path, const std::wstring& base);
std::wstring change_filename(const std::wstring& path, const std::wstring& name);
std::wstring change_directory(const std::wstring& path, const std::wstring& dir);
std::wstring add_suffix(const std::wstring& path, const std::wstring& suffix);

// Joins two paths; `b` wins when it is absolute or carries a drive.
std::wstring combine(const std::wstring& a, const std::wstring& b);
std::wstring include_directory_separator(const std::wstring& path);
// The path with every separator turned into the platform's own.
std::wstring native_path(const std::wstring& path);

bool is_absolute(const std::wstring& path);
bool is_relative(const std::wstring& path);
std::wstring drive(const std::wstring& path);

// --- Validation ---

bool is_valid(wchar_t c);
bool is_valid_file_name(wchar_t c);
bool is_valid(const std::wstring& path);
bool is_valid_file_name(const std::wstring& name);
std::wstring make_valid_filename(const std::wstring& name);
std::wstring make_valid(const std::wstring& path);

// A path marked with a leading '*' names something that does not live in the file system.
bool is_virtual(const std::wstring& path);
std::wstring from_virtual(const std::wstring& path);
std::wstring make_virtual(const std::wstring& path);
std::wstring mangle_filename(const std::wstring& name);

// --- The file system ---

bool is_file(const std::wstring& path);
bool path_exist(const std::wstring& path);
bool is_directory(const std::wstring& path);
// Seconds since 1970-01-01 UTC; 0 when it cannot be read.
long long file_mtime(const std::wstring& path);
// Bytes; 0 when it cannot be read.
unsigned long long file_size(const std::wstring& path);
// Whether the file can be opened with "rb", respectively "rb+" (it is closed again).
bool file_readable(const std::wstring& path);
bool file_writable(const std::wstring& path);

// A file marked read-only (on POSIX: no write permission for anyone). Such a file is not
// opened for writing, removed, moved over or copied over, whoever the process runs as.
bool is_write_protected(const std::wstring& path);

// True when the path exists already or the folder (one level) could be created.
bool make_directory(const std::wstring& path);
bool remove_directory(const std::wstring& path);

// An existing `dst` is replaced only when `overwrite` is true.
bool copy_file(const std::wstring& src, const std::wstring& dst, bool overwrite);
bool move_file(const std::wstring& src, const std::wstring& dst, bool overwrite);
bool remove_file(const std::wstring& path);
// Whether remove_file would remove the existing file at `path` now: it is neither held open by
// another handle or process nor write-protected.
bool removable(const std::wstring& path);

// The entries of `dir` whose names match the wildcard `mask`, each as combine(dir, name);
// `flags` combines find_directories, find_files and find_recursive.
std::vector<std::wstring> find(const std::wstring& dir, const std::wstring& mask, int flags);

std::wstring username();
std::wstring hostname();
// The process's current folder with a trailing separator.
std::wstring current_path();

// --- Normalising, comparing and whole trees ---

// The path with "." and empty components dropped and ".." folded into its parent; the root
// (a drive, leading separators) and a trailing separator are kept, separators become the
// platform's own. A relative path that folds to nothing gives the empty string.
std::wstring clean_path(const std::wstring& path);
// `path` made absolute against `base` (the current folder when `base` is empty), cleaned.
std::wstring absolute_path(const std::wstring& path, const std::wstring& base = std::wstring());
// `path` relative to the folder `base` (both made absolute first); the absolute path when they
// share no root.
std::wstring relative_path(const std::wstring& path, const std::wstring& base);
// Whether two paths name the same place: compared component by component after cleaning,
// letters of either case alike.
bool is_equal(const std::wstring& a, const std::wstring& b);
// The longest folder, with a trailing separator, that holds every path's folder part; empty
// when there is none.
std::wstring common_directory(const std::vector<std::wstring>& paths);
// Creates the folder and every missing folder above it.
bool make_path(const std::wstring& path);
// Copies the files of `src` into `dst` (created as needed), the subfolders too when
// `recursive`; an existing file is replaced only when `overwrite`. True when all were copied.
bool copy_directory(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive);
// Moves what copy_directory would copy, then removes `src` when nothing is left in it.
bool move_directory(const std::wstring& src, const std::wstring& dst, bool overwrite, bool recursive);
// Removes a file, or a folder with everything in it (links are removed, not followed).
bool remove_path(const std::wstring& path);
// `find` with the folder and the mask in one pattern: find(directory(p), filename(p), flags).
std::vector<std::wstring> find(const std::wstring& pattern, int flags);
// Joins every part in order with combine.
std::wstring combine(const std::vector<std::wstring>& parts);
// Replaces everything from the file name's first dot (see full_extension).
std::wstring change_full_extension(const std::wstring& path, const std::wstring& ext);

// A path under construction: each call replaces or extends one part.
class transform {
public:
    explicit transform(const std::wstring& path) : path_(path) {}

    transform& dir(const std::wstring& directory);
    transform& base(const std::wstring& basename);
    transform& ext(const std::wstring& extension);
    // Appends one more extension: a.tar with "gz" becomes a.tar.gz.
    transform& ext_add(const std::wstring& extension);
    transform& suffix(const std::wstring& suffix);

    const std::wstring& get() const { return path_; }
    // The path when nothing exists there, else the first free one of base_1, base_2, ...;
    // empty when none is free.
    std::wstring get_unique() const;

private:
    std::wstring path_;
};

}  // namespace ek::filesystem
