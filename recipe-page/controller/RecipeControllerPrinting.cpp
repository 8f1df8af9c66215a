// The recipe controller's side of printing: the shown card goes to the printer through the page's
// text view, which posts the notification that counts the cooking.
#include "PrintingSupport.h"
#include "RVRecipeView.h"
#include "RVTextView.h"
#include "RecipeController.h"

#include <QPrinter>

bool RecipeController::printRecipePage(const std::function<bool(QPrinter&)>& runPrintPanel)
{
    auto* page = static_cast<RVRecipeView*>(recipePage());
    QPrinter& printer = PrintingSupport::sharedPrintInfo();
    bool accepted = false;
    const bool printed = PrintingSupport::print(
        m_page.textStorage(), printer,
        [&](QPrinter& chosen) {
            accepted = runPrintPanel ? runPrintPanel(chosen) : false;
            return accepted;
        },
        page->textView());
    if (accepted && !printed)
        present(tr("The recipe could not be printed."));
    return printed;
}
