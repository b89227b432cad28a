// Makes the dataset layer's password and login prompts show the dialogs of
// this folder, and runs its database-wait timer on the event loop. The
// window program calls it once at start-up.
#pragma once

void InstallDatabaseDialogs();
