#pragma once

#include "BackgroundUploaderService.h"

// The uploader until the web service is built: starting it uploads nothing.
class IdleBackgroundUploader : public BackgroundUploaderService
{
public:
    void start() override { }
};
