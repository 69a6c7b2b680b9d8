// The fields a project keeps between openings of its form, read without opening the form.
#pragma once

#include <map>
#include <string>

namespace torva::report {

// The saved fields of the project database `project_db` (a file path or a server URI, as the form
// takes it): each parameter key with the value of its first row, as the form's load reads them.
// Read-only: nothing is refreshed, nothing is written, the file is opened for reading only.
// Throws torva::Error with the reason, in Chinese first, when the project cannot be read.
std::map<std::string, std::string, std::less<>> ReadSavedFields(const std::string& project_db);

}  // namespace torva::report
