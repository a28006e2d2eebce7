#pragma once

#include <QString>

#include <functional>

#include <string_view>

class CharacterSet;
class Deck;
class PrintPage;
class UserInterface;

// Printing the front card, the list of indexes and the tagged cards, laid out on an abstract
// page from the metrics of one font.
namespace Printing {

struct TextBox {
    int left;
    int top;
    int right;
    int bottom; // carried along, never tested: bodies run on below it
};

// Where a body that reaches the page's edge goes on: a new page is started (with its header)
// and the body continues at the y this returns.
using NextPage = std::function<int()>;

// Lays a body out in the box and returns the y of the top of its last line. With a page it
// draws, each line whole, measuring it as drawn; without one it measures, counting every
// character as maxCharWidth wide. A line ends after the first blank that brings it to the
// soft limit, after any character (with its marks) that reaches the hard limit, and at every
// line break. A paragraph whose first letter is of a right-to-left script is laid out from
// the right. When drawing with nextPage, a line that would cross the page's edge goes to the
// next page.
int layoutBody(PrintPage* page, std::string_view body, const CharacterSet& characterSet,
               const TextBox& box, int maxCharWidth, int lineHeight, const NextPage& nextPage = {});

// The three print jobs; each finishes the job. False when the printer refused a page.
bool printCard(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
               const QString& filePath);
bool printList(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
               const QString& filePath);
bool printTagged(PrintPage& page, const Deck& deck, const CharacterSet& characterSet,
                 const QString& filePath);

// The File > Print commands: the printer choice, then the job. Nothing is printed after
// Cancel; "Print Failed" when the printer cannot be set up. Print Tag with no card tagged
// says so in the status bar and asks for no printer.
void PrintCard(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
               UserInterface& ui);
void PrintList(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
               UserInterface& ui);
void PrintTag(const Deck& deck, const CharacterSet& characterSet, const QString& filePath,
              UserInterface& ui);

} // namespace Printing
