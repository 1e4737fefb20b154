#pragma once
// A table printed as text: a grid (row 0 the column identifiers, printed as the header row) laid
// out as one text table in a document (light-grey bold 9-point header over white 8-point rows,
// thin dark-grey borders), printed with the job title at the head of every page and the page
// number at its foot.

#include <QString>
#include <memory>
#include <vector>

class QPrinter;
class QTextDocument;

namespace td::printout {

using Grid = std::vector<std::vector<QString>>;

std::unique_ptr<QTextDocument> tableDocument(const Grid& grid);
// Prints onto a printer or a PDF file (the printer's output file); the document is laid out for
// the printer's page.
void print(QTextDocument& document, QPrinter& printer, const QString& jobTitle);

}  // namespace td::printout
