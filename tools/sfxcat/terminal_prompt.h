// The password and login prompts of sfxcat: read from the terminal without
// echo. On standard input that is not a terminal nothing is asked and the
// prompt counts as cancelled, so the engine's own message ends the command.
#pragma once

namespace sfxcat {

// Installs the terminal prompts as the dataset layer's prompt hooks.
void InstallTerminalPrompts();

} // namespace sfxcat
