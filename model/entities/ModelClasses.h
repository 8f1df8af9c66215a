#pragma once

// Registers the class of every entity of the library model with the object store, so that
// contexts make RecipeMO, DirectionMO ... for their entities. Idempotent; call before the first
// context is used (launch, tests).
void registerModelClasses();
