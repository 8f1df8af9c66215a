#pragma once

#include "RecipeSharingService.h"

class BlogController;
class MailController;

// The sharing the library window's menus reach: the blog sheet and the mail controller.
// Not owned: both, which must outlive it. Main thread only.
class RecipeSharing : public RecipeSharingService
{
public:
    RecipeSharing(BlogController& blog, MailController& mail)
        : m_blog(blog)
        , m_mail(mail)
    {
    }

    void blogRecipe(ManagedObject* recipe) override;
    void emailRecipe(ManagedObject* recipe) override;

private:
    BlogController& m_blog;
    MailController& m_mail;
};
