#include "RecipeSharing.h"

#include "BlogController.h"
#include "MailController.h"

void RecipeSharing::blogRecipe(ManagedObject* recipe)
{
    m_blog.blog(recipe);
}

void RecipeSharing::emailRecipe(ManagedObject* recipe)
{
    m_mail.emailRecipe(recipe);
}
