#pragma once

// The background uploader of ratings, shared recipes and pictures to the web recipe service.
// The application controller makes one per process and starts it once; the uploader asks the
// controller's uploaderShouldExit() on each tick and stops once it is true. Main thread only.
class BackgroundUploaderService
{
public:
    virtual ~BackgroundUploaderService() = default;

    // Begins the recurring uploads.
    virtual void start() = 0;
};
