#include "vbrt/error.hpp"

#include <utility>

namespace vb {

namespace {
struct Entry {
  int number;
  const char* text;
};
// The table of the errors the add-in can meet, with VB's texts.
constexpr Entry kDescriptions[] = {
    {3, "Return without GoSub"},
    {5, "Invalid procedure call or argument"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {9, "Subscript out of range"},
    {11, "Division by zero"},
    {13, "Type mismatch"},
    {28, "Out of stack space"},
    {35, "Sub or Function not defined"},
    {48, "Error in loading DLL"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {91, "Object variable or With block variable not set"},
    {92, "For loop not initialized"},
    {94, "Invalid use of Null"},
    {282, "No foreign application responded to a DDE initiate"},
    {283, "More than one application responded to a DDE initiate"},
    {284, "DDE channel locked"},
    {285, "Foreign application won't perform DDE method or operation"},
    {286, "Timeout while waiting for DDE response"},
    {287, "User pressed Escape key during DDE operation"},
    {288, "Destination is busy"},
    {289, "Data not provided in DDE operation"},
    {290, "Data in wrong format"},
    {291, "Foreign application quit"},
    {292, "DDE conversation closed or changed"},
    {293, "DDE method invoked with no channel open"},
    {294, "Invalid DDE Link format"},
    {295, "Message queue filled; DDE message lost"},
    {296, "PasteLink already performed on this control"},
    {297, "Can't set LinkMode; invalid LinkTopic"},
    {298, "System DLL could not be loaded"},
    {340, "Control array element does not exist"},
    {343, "Object not an array"},
    {360, "Object already loaded"},
    {364, "Object was unloaded"},
    {380, "Invalid property value"},
    {381, "Invalid property array index"},
    {383, "Property is read-only"},
    {400, "Form already displayed; can't show modally"},
    {401, "Can't show non-modal form when modal form is displayed"},
    {424, "Object required"},
    {429, "ActiveX component can't create object"},
    {438, "Object doesn't support this property or method"},
    {440, "Automation error"},
    {450, "Wrong number of arguments or invalid property assignment"},
    {481, "Invalid picture"},
    {521, "Can't open Clipboard"},
    {35600, "Index out of bounds"},
    {35601, "Element not found"},
};
}  // namespace

std::string Description(int number) {
  for (const auto& e : kDescriptions) {
    if (e.number == number) return e.text;
  }
  return "Application-defined or object-defined error";
}

Error::Error(int number) : Error(number, Description(number)) {}

Error::Error(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

void Raise(int number) { throw Error(number); }
void Raise(int number, std::string description) { throw Error(number, std::move(description)); }

}  // namespace vb
